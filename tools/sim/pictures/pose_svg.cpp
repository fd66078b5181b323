#include "tools/sim/pictures/pose_svg.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "tools/sim/scenario/game_values.h"

namespace simtool {

namespace {

constexpr int kPanel = 420;       // each view is a square of this size
constexpr int kGap = 30;          // between the views
constexpr int kTop = 70;          // title and labels above
constexpr int kLegendHeight = 60; // below
constexpr double kMargin = 30.0;  // game units around what is drawn
constexpr double kArrow = 40.0;   // game units: the length of a view direction

const char* const kBodyColor = "#555555";
const char* const kArmsColor = "#9467bd";
const char* const kEyeColor = "#1f77b4";
const char* const kGameCameraColor = "#ff7f0e";
const char* const kCameraColor = "#d62728";
const char* const kBodyRootColor = "#2ca02c";

// The two views: which world axes go right and up on the page.
struct View {
    const char* name;
    int right, up; // 0 x, 1 y, 2 z
};
const View kViews[2] = {{"from the side (forward to the right, up)", 1, 2},
                        {"from above (right to the right, forward up)", 0, 1}};

bool IsHidden(const SceneNode* n) {
    for (; n != nullptr; n = n->Parent) {
        if ((n->Flags & kNodeHiddenBit) != 0) {
            return true;
        }
    }
    return false;
}

void AddBones(const SceneNode* node, bool firstPerson, std::vector<PoseBone>* bones) {
    for (int i = 0; i < node->ChildCount; ++i) {
        const SceneNode* child = node->Children[i];
        if (child == nullptr) {
            continue;
        }
        bones->push_back({child->WorldTranslation, node->WorldTranslation, firstPerson,
                          !IsHidden(child) && child->WorldScale > 0.0f});
        AddBones(child, firstPerson, bones);
    }
}

// The direction a camera of this rotation looks: its second axis (the game's
// own camera, unturned, looks along the body's facing, +y).
Vector3 ViewOf(const Matrix3& r) {
    return Vector3{r.m[0][1], r.m[1][1], r.m[2][1]};
}

std::string Format(const char* format, double a, double b, double c = 0, double d = 0) {
    char buf[256];
    snprintf(buf, sizeof buf, format, a, b, c, d);
    return buf;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

// World units to the page, one scale for both views.
struct Frame {
    double scale;
    double lo[3], hi[3];
    double X(const Vector3& p, const View& v, int panel) const {
        return panel * (kPanel + kGap) + kGap + (Component(p, v.right) - lo[v.right]) * scale;
    }
    double Y(const Vector3& p, const View& v) const {
        return kTop + kPanel - (Component(p, v.up) - lo[v.up]) * scale;
    }
};

Frame Fit(const Pose& pose) {
    // Everything drawn: the bones, the marks, and the tips of both arrows.
    auto tip = [](const Vector3& from, const Vector3& dir) {
        return Vector3{static_cast<float>(from.x + kArrow * dir.x),
                       static_cast<float>(from.y + kArrow * dir.y),
                       static_cast<float>(from.z + kArrow * dir.z)};
    };
    std::vector<Vector3> points = {pose.bodyRoot,
                                   pose.firstPersonRoot,
                                   pose.eye,
                                   pose.gameCamera,
                                   pose.camera,
                                   tip(pose.gameCamera, pose.gameView),
                                   tip(pose.camera, pose.view)};
    for (const PoseBone& b : pose.bones) {
        points.push_back(b.at);
    }
    Frame f = {};
    for (int k = 0; k < 3; ++k) {
        f.lo[k] = 1e30;
        f.hi[k] = -1e30;
        for (const Vector3& p : points) {
            f.lo[k] = std::min(f.lo[k], static_cast<double>(Component(p, k)));
            f.hi[k] = std::max(f.hi[k], static_cast<double>(Component(p, k)));
        }
    }
    double span = 1.0;
    for (int k = 0; k < 3; ++k) {
        span = std::max(span, f.hi[k] - f.lo[k] + 2 * kMargin);
    }
    // Centre what is drawn in each axis.
    for (int k = 0; k < 3; ++k) {
        const double middle = (f.lo[k] + f.hi[k]) / 2;
        f.lo[k] = middle - span / 2;
    }
    f.scale = (kPanel - 2.0 * kGap) / span;
    for (int k = 0; k < 3; ++k) {
        f.lo[k] -= kGap / f.scale;
    }
    return f;
}

std::string Dot(const Frame& f, const Vector3& p, const View& v, int panel, const char* shape,
                const char* color) {
    const double x = f.X(p, v, panel), y = f.Y(p, v);
    if (shape[0] == 's') { // a small square
        return Format("<rect x='%.1f' y='%.1f' width='8' height='8' fill='", x - 4, y - 4) + color +
               "'/>\n";
    }
    if (shape[0] == 'b') { // a box around a point
        return Format("<rect x='%.1f' y='%.1f' width='14' height='14' fill='none' "
                      "stroke-width='2' stroke='",
                      x - 7, y - 7) +
               color + "'/>\n";
    }
    if (shape[0] == 'r') { // a ring
        return Format("<circle cx='%.1f' cy='%.1f' r='6' fill='none' stroke-width='2' stroke='", x,
                      y) +
               color + "'/>\n";
    }
    return Format("<circle cx='%.1f' cy='%.1f' r='4' fill='", x, y) + color + "'/>\n";
}

std::string Arrow(const Frame& f, const Vector3& from, const Vector3& dir, const View& v, int panel,
                  const char* color, const char* marker) {
    const Vector3 to = {static_cast<float>(from.x + kArrow * dir.x),
                        static_cast<float>(from.y + kArrow * dir.y),
                        static_cast<float>(from.z + kArrow * dir.z)};
    return Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke-width='2' stroke='",
                  f.X(from, v, panel), f.Y(from, v), f.X(to, v, panel), f.Y(to, v)) +
           color + "' marker-end='url(#" + marker + ")'/>\n";
}

} // namespace

void PoseCapture::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    if (frame.frame != frame_) {
        return;
    }
    pose.frame = frame.frame;
    pose.state = PlayerState(game);
    pose.note = frame.what->note;
    pose.bones.clear();
    AddBones(&game.bodyRoot->node, false, &pose.bones);
    AddBones(&game.fpRoot->node, true, &pose.bones);
    pose.bodyRoot = game.bodyRoot->node.WorldTranslation;
    pose.firstPersonRoot = game.fpRoot->node.WorldTranslation;
    pose.eye = EyePoint(game);
    pose.gameCamera = game.cameraPlacement; // the camera hangs under the unturned scene root
    pose.gameView = ViewOf(game.cameraRotationPlacement);
    pose.camera = game.camera->node.WorldTranslation;
    pose.view = ViewOf(game.camera->node.WorldRotation);
}

std::string RenderPoseSvg(const std::string& title, const Pose& pose) {
    const int width = 2 * kPanel + 3 * kGap - kGap;
    const int height = kTop + kPanel + kLegendHeight;
    std::string out = Format("<svg xmlns='http://www.w3.org/2000/svg' width='%.0f' height='%.0f' "
                             "font-family='sans-serif'>\n",
                             width, height);
    out += "<defs>";
    for (const auto& [id, color] :
         {std::pair<const char*, const char*>{"cam", kCameraColor}, {"game", kGameCameraColor}}) {
        out += std::string("<marker id='") + id +
               "' viewBox='0 0 10 10' refX='9' refY='5' markerWidth='6' markerHeight='6' "
               "orient='auto'><path d='M0,0 L10,5 L0,10 z' fill='" +
               color + "'/></marker>";
    }
    out += "</defs>\n<rect width='100%' height='100%' fill='white'/>\n";
    out += "<text x='12' y='22' font-size='15'>" + Escape(title) + "</text>\n";
    if (pose.frame < 0) {
        return out +
               "<text x='12' y='50' font-size='13'>no such frame in this run</text>\n</svg>\n";
    }
    out += Format("<text x='12' y='42' font-size='12'>frame %.0f: ", pose.frame, 0) +
           Escape(pose.state) + (pose.note.empty() ? "" : " (" + Escape(pose.note) + ")") +
           "</text>\n";
    const Frame f = Fit(pose);
    for (int panel = 0; panel < 2; ++panel) {
        const View& v = kViews[panel];
        const double left = panel * (kPanel + kGap) + kGap / 2.0;
        out += Format("<rect x='%.1f' y='%.1f' width='%.0f' height='%.0f' fill='none' "
                      "stroke='#bbb'/>\n",
                      left, kTop - 8, kPanel, kPanel);
        out += Format("<text x='%.1f' y='%.1f' font-size='12' fill='#444'>", left + 6, kTop + 8) +
               v.name + "</text>\n";
        for (const PoseBone& b : pose.bones) {
            out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke-width='3' ",
                          f.X(b.parent, v, panel), f.Y(b.parent, v), f.X(b.at, v, panel),
                          f.Y(b.at, v)) +
                   "stroke-linecap='round' stroke='" + (b.firstPerson ? kArmsColor : kBodyColor) +
                   (b.shown ? "'" : "' stroke-opacity='0.25' stroke-dasharray='4,4'") + "/>\n";
        }
        out += Dot(f, pose.firstPersonRoot, v, panel, "square", kArmsColor);
        out += Dot(f, pose.bodyRoot, v, panel, "box", kBodyRootColor);
        out += Arrow(f, pose.gameCamera, pose.gameView, v, panel, kGameCameraColor, "game");
        out += Dot(f, pose.gameCamera, v, panel, "ring", kGameCameraColor);
        out += Arrow(f, pose.camera, pose.view, v, panel, kCameraColor, "cam");
        out += Dot(f, pose.camera, v, panel, "dot", kCameraColor);
        out += Dot(f, pose.eye, v, panel, "dot", kEyeColor);
    }
    struct Key {
        const char* color;
        const char* text;
    };
    const Key keys[] = {{kBodyColor, "body (faint: hidden or collapsed)"},
                        {kArmsColor, "first-person arms and root"},
                        {kBodyRootColor, "body root"},
                        {kEyeColor, "eye point"},
                        {kGameCameraColor, "the game's camera"},
                        {kCameraColor, "the camera after Lumenfold"}};
    for (size_t i = 0; i < std::size(keys); ++i) {
        const double x = kGap / 2.0 + (i % 3) * 280.0, y = kTop + kPanel + 22 + (i / 3) * 20.0;
        out += Format("<rect x='%.1f' y='%.1f' width='12' height='12' fill='", x, y - 10) +
               keys[i].color + "'/>\n";
        out += Format("<text x='%.1f' y='%.1f' font-size='12'>", x + 18, y) + keys[i].text +
               "</text>\n";
    }
    return out + "</svg>\n";
}

} // namespace simtool
