// Group and sequence queries over the five slots of an animation record.
#include "body/anim_queries.h"
#include "tests/alloc_counter.h"
#include "tests/fixture.h"

namespace {

class AnimQueries : public GameTest {
  protected:
    const AnimationRecord* Body() { return &game.bodyAnim->rec; }
};

TEST_F(AnimQueries, GroupRangesAreInclusiveAndUnsigned) {
    game.Play(game.bodyAnim, 2, "a.kf", 35);
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 35, kGroupExact));
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 34, 39));
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 35, 35));
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 36, kGroupExact));
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 36, 39));
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 39, 38)); // empty range
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 36, 34));

    game.Play(game.bodyAnim, 2, "b.kf", 0xFF); // 255, never -1
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 255, kGroupExact));
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 200, 0xFFFFFFFEu));
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 0, 254));

    game.Play(game.bodyAnim, 2, "c.kf", 0);
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 0, 0));
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 0, kGroupExact));
}

TEST_F(AnimQueries, EmptySlotsAreSkippedAndOnlyFiveCount) {
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 0, 0xFFFFFFFEu)); // all five empty
    EXPECT_FALSE(IsAnimSequencePlaying(Body(), ""));
    game.Play(game.bodyAnim, 4, "Last.kf", 17); // behind four empty slots
    EXPECT_TRUE(IsAnimGroupPlaying(Body(), 17, 18));
    EXPECT_TRUE(IsAnimSequencePlaying(Body(), "last"));
    // A pointer right behind the five slots is not a slot.
    sim::Sequence* beyond = game.NewSequence("Beyond.kf", 20);
    game.Play(game.bodyAnim, 4, nullptr);
    AnimSequence** slots = game.bodyAnim->rec.Sequences;
    AnimSequence* saved = slots[5];
    slots[5] = &beyond->seq;
    EXPECT_FALSE(IsAnimGroupPlaying(Body(), 20, kGroupExact));
    EXPECT_FALSE(IsAnimSequencePlaying(Body(), "Beyond"));
    slots[5] = saved;
}

TEST_F(AnimQueries, SequenceNamesMatchAsSubstringsWithoutCase) {
    struct Case {
        const char* name;
        bool match;
    } cases[] = {
        {"Stand1.kf", true},     {"STAND1.KF", true},
        {"Stand1.KF", true},     {"Characters\\_Male\\Stand1.kf", true},
        {"xxStand1.kfyy", true}, {"Stand1.k", false},
        {"Stand2.kf", false},    {"", false},
    };
    for (const Case& c : cases) {
        game.Play(game.bodyAnim, 1, c.name, 0);
        EXPECT_EQ(c.match, IsAnimSequencePlaying(Body(), "Stand1.kf")) << c.name;
    }
}

TEST_F(AnimQueries, EmptyPatternMatchesOnlyANonEmptyName) {
    game.Play(game.bodyAnim, 0, "", 0);
    sim::Sequence* unnamed = game.Play(game.bodyAnim, 1, nullptr, 0);
    ASSERT_EQ(nullptr, unnamed->seq.FileName);
    EXPECT_FALSE(IsAnimSequencePlaying(Body(), ""));
    game.Play(game.bodyAnim, 3, "x", 0);
    EXPECT_TRUE(IsAnimSequencePlaying(Body(), ""));
}

TEST_F(AnimQueries, PatternLetterFoldingIsAsciiOnly) {
    game.Play(game.bodyAnim, 0, "\xC4Idle[1].kf", 0);
    EXPECT_TRUE(IsAnimSequencePlaying(Body(), "\xC4idle[1]"));
    EXPECT_FALSE(IsAnimSequencePlaying(Body(), "\xE4idle")); // not letters A..Z
    EXPECT_FALSE(IsAnimSequencePlaying(Body(), "idle{1}"));  // '[' is not '{'
}

TEST_F(AnimQueries, PlayerGroupPredicates) {
    EXPECT_FALSE(IsGroup17To18Playing());
    EXPECT_FALSE(IsGroup34To39Playing());
    for (uint8_t g : {34, 39}) {
        for (int slot : {0, 4}) {
            game.Play(game.bodyAnim, slot, "x.kf", g);
            EXPECT_TRUE(IsGroup34To39Playing()) << int(g) << " in " << slot;
            game.Play(game.bodyAnim, slot, nullptr);
        }
    }
    game.Play(game.bodyAnim, 2, "x.kf", 18);
    EXPECT_TRUE(IsGroup17To18Playing());
    EXPECT_FALSE(IsGroup34To39Playing());
    Process()->BodyAnim = nullptr;
    EXPECT_FALSE(IsGroup17To18Playing());
    Player()->Process = nullptr;
    EXPECT_FALSE(IsGroup34To39Playing());
}

TEST_F(AnimQueries, QueriesAllocateNothing) {
    for (int slot = 0; slot < 5; ++slot) {
        game.Play(game.bodyAnim, slot, "meshes\\characters\\_male\\idleanims\\Idle.kf", 40);
    }
    const long allocations = AllocationsDuring([&] {
        IsAnimSequencePlaying(Body(), "Stand1.kf");
        IsAnimSequencePlaying(Body(), "IdleGuardCheckScabbard.kf");
        IsAnimGroupPlaying(Body(), 35, kGroupExact);
        IsGroup17To18Playing();
        IsGroup34To39Playing();
    });
    EXPECT_EQ(0, allocations);
}

} // namespace
