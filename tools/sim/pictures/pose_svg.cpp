#include "tools/sim/pictures/pose_svg.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "tools/sim/pictures/camera_view.h"

namespace simtool {

namespace {

constexpr int kPanel = 420;     // each view from outside is a square of this size
constexpr int kGap = 30;        // between the views
constexpr int kTop = 104;       // title and labels above
constexpr int kViewWidth = 560; // the view through the camera, 4:3
constexpr int kViewHeight = 420;
constexpr double kArrow = 40.0;    // game units: the length of a view direction
constexpr double kScaleBar = 50.0; // game units
constexpr double kGridStep = 50.0; // game units, on the ground
// The scene around the body's place, in game units: wide enough for every
// pose of the rig (lying reaches 140 units to one side of it, standing 160
// up), and the game's camera beside it.
constexpr double kSceneSide = 90.0;
constexpr double kSceneReach = 150.0;
constexpr double kSceneBelow = 30.0, kSceneAbove = 170.0;
constexpr double kSceneMargin = 40.0;
constexpr size_t kNoteWidth = 120; // characters in a line of a note

const char* const kBodyColor = "#555555";
const char* const kArmsColor = "#9467bd";
const char* const kEyeColor = "#1f77b4";
const char* const kGameCameraColor = "#ff7f0e";
const char* const kCameraColor = "#d62728";
const char* const kBodyRootColor = "#2ca02c";
const char* const kGroundColor = "#bfae8f";
const char* const kGridColor = "#e6e0d4";

// The two views: which world axes go right and up on the page.
struct View {
    const char* name;
    int right, up; // 0 x, 1 y, 2 z
};
const View kViews[2] = {{"from the side (forward to the right, up)", 1, 2},
                        {"from above (right to the right, forward up)", 0, 1}};

std::string Format(const char* format, double a, double b, double c = 0, double d = 0) {
    char buf[256];
    snprintf(buf, sizeof buf, format, a, b, c, d);
    return buf;
}

// Words in lines of at most `width` characters.
std::vector<std::string> Lines(const std::string& text, size_t width) {
    std::vector<std::string> lines(1);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(at, end - at);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) {
            lines.emplace_back();
        }
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        at = end + 1;
    }
    return lines;
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
    double lo[3];
    double X(double value, const View& v, int panel) const {
        return panel * (kPanel + kGap) + kGap / 2.0 + (value - lo[v.right]) * scale;
    }
    double X(const Vector3& p, const View& v, int panel) const {
        return X(Component(p, v.right), v, panel);
    }
    double Y(double value, const View& v) const {
        return kTop + kPanel - (value - lo[v.up]) * scale;
    }
    double Y(const Vector3& p, const View& v) const { return Y(Component(p, v.up), v); }
};

// The frame of the scene: where the game placed the body, with room for
// every pose around it, and the game's camera. The plug-in's settings move
// neither, so two pictures of a scenario share it.
Frame Fit(const Pose& pose) {
    double lo[3], hi[3];
    const double below[3] = {kSceneSide, kSceneReach, kSceneBelow};
    const double above[3] = {kSceneSide, kSceneReach, kSceneAbove};
    for (int k = 0; k < 3; ++k) {
        const double body = Component(pose.sceneBody, k);
        const double camera = Component(pose.sceneCamera, k);
        lo[k] = std::min(body - below[k], camera) - kSceneMargin;
        hi[k] = std::max(body + above[k], camera) + kSceneMargin;
    }
    double span = 1.0;
    for (int k = 0; k < 3; ++k) {
        span = std::max(span, hi[k] - lo[k]);
    }
    Frame f = {};
    f.scale = (kPanel - kGap) / span;
    for (int k = 0; k < 3; ++k) {
        f.lo[k] = (lo[k] + hi[k]) / 2 - span / 2 - kGap / 2.0 / f.scale;
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
        return Format("<circle cx='%.1f' cy='%.1f' r='7' fill='none' stroke-width='2' stroke='", x,
                      y) +
               color + "'/>\n";
    }
    return Format("<circle cx='%.1f' cy='%.1f' r='3.5' fill='", x, y) + color + "'/>\n";
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

// The ground: its line from the side, a grid from above.
std::string Ground(const Frame& f, const View& v, int panel) {
    const double left = f.X(f.lo[v.right], v, panel);
    const double right = left + kPanel;
    std::string out;
    if (panel == 0) {
        const double y = f.Y(0.0, v);
        if (y > kTop && y < kTop + kPanel) {
            out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke-width='2' ",
                          left + 2, y, right - 2, y) +
                   "stroke='" + kGroundColor + "'/>\n";
            out += Format("<text x='%.1f' y='%.1f' font-size='11' fill='#8a7a5a'>ground</text>\n",
                          right - 48, y - 4);
        }
        return out;
    }
    for (int axis : {v.right, v.up}) {
        const double first = ceil(f.lo[axis] / kGridStep) * kGridStep;
        for (double value = first; value < f.lo[axis] + kPanel / f.scale; value += kGridStep) {
            if (axis == v.right) {
                const double x = f.X(value, v, panel);
                out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='", x, kTop, x,
                              kTop + kPanel) +
                       kGridColor + "'/>\n";
            } else {
                const double y = f.Y(value, v);
                out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='", left, y,
                              right, y) +
                       kGridColor + "'/>\n";
            }
        }
    }
    return out;
}

std::string ScaleBar(const Frame& f) {
    const double x = kGap / 2.0 + 12, y = kTop + kPanel - 14;
    const double length = kScaleBar * f.scale;
    return Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='#333' stroke-width='3'/>",
                  x, y, x + length, y) +
           Format("<text x='%.1f' y='%.1f' font-size='11'>50 game units</text>\n", x, y - 6);
}

} // namespace

std::string RenderPoseSvg(const std::string& title, const Pose& pose) {
    const int width = 2 * kPanel + 2 * kGap;
    const int viewTop = kTop + kPanel + 52;
    const int height = viewTop + kViewHeight + 110;
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
    out += "<text x='12' y='60' font-size='13' font-weight='bold'>settings: " +
           Escape(pose.settings.empty() ? "the defaults" : pose.settings) +
           (pose.unchangedBy.empty() ? "" : "; " + Escape(pose.unchangedBy)) + "</text>\n";
    std::string note;
    if (!pose.missingNote.empty()) {
        note = pose.missingNote;
    } else if (!pose.cameraNote.empty()) {
        note = "the camera is not at the eye point: " + pose.cameraNote;
    }
    if (!note.empty()) {
        double y = 78;
        for (const std::string& line : Lines(note, kNoteWidth)) {
            out += Format("<text x='12' y='%.0f' font-size='12' fill='#a33'>", y, 0) +
                   Escape(line) + "</text>\n";
            y += 15;
        }
    }

    const Frame f = Fit(pose);
    for (int panel = 0; panel < 2; ++panel) {
        const View& v = kViews[panel];
        const double left = panel * (kPanel + kGap) + kGap / 2.0;
        out += Format("<clipPath id='panel%.0f'>", panel, 0) +
               Format("<rect x='%.1f' y='%.1f' width='%.0f' height='%.0f'/></clipPath>\n", left,
                      kTop, kPanel, kPanel) +
               Format("<g clip-path='url(#panel%.0f)'>\n", panel, 0);
        out += Ground(f, v, panel);
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
        out += Dot(f, pose.eye, v, panel, "dot", kEyeColor);
        out += Arrow(f, pose.camera, pose.view, v, panel, kCameraColor, "cam");
        out += Dot(f, pose.camera, v, panel, "ring", kCameraColor);
        out += "</g>\n";
        out += Format("<rect x='%.1f' y='%.1f' width='%.0f' height='%.0f' fill='none' "
                      "stroke='#bbb'/>\n",
                      left, kTop, kPanel, kPanel);
        out += Format("<text x='%.1f' y='%.1f' font-size='12' fill='#444'>", left + 6, kTop + 16) +
               v.name + "</text>\n";
    }
    out += ScaleBar(f);

    // The view through the camera, below.
    const double viewLeft = (width - kViewWidth) / 2.0;
    const CameraViewPicture view =
        RenderCameraView(pose, viewLeft, viewTop, kViewWidth, kViewHeight);
    out += view.svg;
    const std::vector<std::string> caption = Lines(view.caption, kNoteWidth);
    double captionY = viewTop - 8 - 15.0 * (caption.size() - 1);
    for (const std::string& line : caption) {
        out += Format("<text x='%.1f' y='%.1f' font-size='12'>", kGap / 2.0, captionY) +
               Escape(line) + "</text>\n";
        captionY += 15;
    }

    struct Key {
        const char* color;
        const char* text;
    };
    const Key keys[] = {{kBodyColor, "body (faint: hidden or collapsed)"},
                        {kArmsColor, "the game's first-person arms and root"},
                        {kBodyRootColor, "body root"},
                        {kEyeColor, "eye point"},
                        {kGameCameraColor, "the game's camera"},
                        {kCameraColor, "the camera after Lumenfold"}};
    const double keysTop = viewTop + kViewHeight + 30;
    for (size_t i = 0; i < std::size(keys); ++i) {
        const double x = kGap / 2.0 + (i % 3) * 290.0, y = keysTop + (i / 3) * 20.0;
        out += Format("<rect x='%.1f' y='%.1f' width='12' height='12' fill='", x, y - 10) +
               keys[i].color + "'/>\n";
        out += Format("<text x='%.1f' y='%.1f' font-size='12'>", x + 18, y) + keys[i].text +
               "</text>\n";
    }
    out += Format("<text x='%.1f' y='%.1f' font-size='11' fill='#666'>through the camera: the "
                  "body as the world pass draws it, the game's arms on top where their pass "
                  "draws them; a red ring marks a part the near plane cuts</text>\n",
                  kGap / 2.0, keysTop + 46);
    return out + "</svg>\n";
}

} // namespace simtool
