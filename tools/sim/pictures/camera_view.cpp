#include "tools/sim/pictures/camera_view.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace simtool {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHeadRadius = 10.0; // the head drawn as a ball above its bone
constexpr double kHeadAbove = 9.0;   // along the head's own up
constexpr double kGroundStep = 50.0; // the ground's grid
constexpr double kGroundReach = 1000.0;

const char* const kBodyColor = "#8c6d5a";
const char* const kArmsColor = "#9467bd";
const char* const kCutColor = "#d62728";
const char* const kGroundColor = "#c8c8c8";

// How thick each bone is drawn (the segment from its parent to it), in game
// units; a bone not listed, or 0, is not drawn (roots, slots, magicNode).
struct Limb {
    const char* name;
    double radius;
};
const Limb kBodyLimbs[] = {
    {"Bip01 Spine", 12},       {"Bip01 Neck", 11},      {"Bip01 Head", 5},
    {"Bip01 L Clavicle", 4},   {"Bip01 R Clavicle", 4}, {"Bip01 L UpperArm", 4.5},
    {"Bip01 R UpperArm", 4.5}, {"Bip01 L Hand", 3.5},   {"Bip01 R Hand", 3.5},
    {"Bip01 L Thigh", 7},      {"Bip01 R Thigh", 7},    {"Bip01 L Calf", 6},
    {"Bip01 R Calf", 6},       {"Bip01 L Foot", 4.5},   {"Bip01 R Foot", 4.5},
};
// The game's first-person arms: one limb in the simulated game's rig.
const Limb kArmsLimbs[] = {{"Bip01 Spine", 4}, {"magicNode", 3}};

double RadiusOf(const PoseBone& b) {
    const Limb* begin = b.firstPerson ? std::begin(kArmsLimbs) : std::begin(kBodyLimbs);
    const Limb* end = b.firstPerson ? std::end(kArmsLimbs) : std::end(kBodyLimbs);
    for (const Limb* l = begin; l != end; ++l) {
        if (b.name == l->name) {
            return l->radius;
        }
    }
    return 0.0;
}

struct Camera {
    Vector3 at;
    double right[3], forward[3], up[3];
    double focal, cx, cy;
    // (right, depth, up) of a world point.
    void Into(const Vector3& p, double out[3]) const {
        const double d[3] = {p.x - at.x, p.y - at.y, p.z - at.z};
        out[0] = d[0] * right[0] + d[1] * right[1] + d[2] * right[2];
        out[1] = d[0] * forward[0] + d[1] * forward[1] + d[2] * forward[2];
        out[2] = d[0] * up[0] + d[1] * up[1] + d[2] * up[2];
    }
    double X(const double c[3]) const { return cx + focal * c[0] / c[1]; }
    double Y(const double c[3]) const { return cy - focal * c[2] / c[1]; }
};

std::string Format(const char* format, double a, double b, double c = 0, double d = 0,
                   double e = 0) {
    char buf[256];
    snprintf(buf, sizeof buf, format, a, b, c, d, e);
    return buf;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '&'    ? "&amp;"
               : c == '<'  ? "&lt;"
               : c == '>'  ? "&gt;"
               : c == '\'' ? "&apos;"
                           : std::string(1, c);
    }
    return out;
}

// One thing to draw, with its depth for the painter's order.
struct Item {
    double depth;
    std::string svg;
};

// A segment from a to b (camera coordinates) of radius r: its part at or
// beyond the near plane; `cut` when some of it lies between the camera and
// the near plane.
bool Clip(double a[3], double b[3], bool* cut) {
    const double n = kNearDistance;
    const double lo = std::min(a[1], b[1]), hi = std::max(a[1], b[1]);
    *cut = hi > 0.0 && lo < n;
    if (hi < n) {
        return false;
    }
    double* nearEnd = a[1] < b[1] ? a : b;
    const double* farEnd = a[1] < b[1] ? b : a;
    if (nearEnd[1] < n) {
        const double t = (n - nearEnd[1]) / (farEnd[1] - nearEnd[1]);
        for (int k = 0; k < 3; ++k) {
            nearEnd[k] += t * (farEnd[k] - nearEnd[k]);
        }
    }
    return true;
}

void AddLimb(const Camera& cam, const PoseBone& b, double radius, const char* color,
             std::vector<Item>* items, std::vector<std::string>* cuts) {
    double p[3], q[3];
    cam.Into(b.parent, p);
    cam.Into(b.at, q);
    bool cut = false;
    const bool seen = Clip(p, q, &cut);
    if (cut) {
        cuts->push_back(b.name);
    }
    if (!seen) {
        return;
    }
    const double depth = (p[1] + q[1]) / 2;
    const double width = std::max(1.0, 2 * radius * b.scale * cam.focal / depth);
    std::string svg = Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke-width='%.1f' ",
                             cam.X(p), cam.Y(p), cam.X(q), cam.Y(q), width) +
                      "stroke-linecap='round' stroke='" + color + "' data-part='" + Escape(b.name) +
                      "'/>\n";
    if (cut) {
        const double* at = p[1] <= q[1] ? p : q;
        svg += Format("<circle cx='%.1f' cy='%.1f' r='%.1f' fill='none' stroke-width='2' ",
                      cam.X(at), cam.Y(at), width / 2) +
               "stroke='" + kCutColor + "' data-cut='" + Escape(b.name) + "'/>\n";
    }
    items->push_back({depth, svg});
}

void AddHead(const Camera& cam, const PoseBone& b, std::vector<Item>* items,
             std::vector<std::string>* cuts) {
    // The head's own up is its first axis.
    const double r = kHeadRadius * b.scale;
    const Vector3 centre = {static_cast<float>(b.at.x + kHeadAbove * b.scale * b.rotation.m[0][0]),
                            static_cast<float>(b.at.y + kHeadAbove * b.scale * b.rotation.m[1][0]),
                            static_cast<float>(b.at.z + kHeadAbove * b.scale * b.rotation.m[2][0])};
    double c[3];
    cam.Into(centre, c);
    const bool cut = c[1] + r > 0.0 && c[1] - r < kNearDistance;
    if (cut) {
        cuts->push_back("the head");
    }
    if (c[1] - r < kNearDistance) {
        return; // not wholly beyond the near plane: cut away
    }
    items->push_back({c[1], Format("<circle cx='%.1f' cy='%.1f' r='%.1f' fill='", cam.X(c),
                                   cam.Y(c), r * cam.focal / c[1]) +
                                kBodyColor + "' data-part='the head'/>\n"});
}

// The ground's grid around the body, as thin lines.
std::string Ground(const Camera& cam, const Vector3& around) {
    std::string out;
    const double x0 = floor(around.x / kGroundStep) * kGroundStep;
    const double y0 = floor(around.y / kGroundStep) * kGroundStep;
    for (double k = -kGroundReach; k <= kGroundReach; k += kGroundStep) {
        for (int dir = 0; dir < 2; ++dir) {
            Vector3 a, b;
            if (dir == 0) {
                a = {static_cast<float>(x0 + k), static_cast<float>(y0 - kGroundReach), 0};
                b = {static_cast<float>(x0 + k), static_cast<float>(y0 + kGroundReach), 0};
            } else {
                a = {static_cast<float>(x0 - kGroundReach), static_cast<float>(y0 + k), 0};
                b = {static_cast<float>(x0 + kGroundReach), static_cast<float>(y0 + k), 0};
            }
            double p[3], q[3];
            cam.Into(a, p);
            cam.Into(b, q);
            bool cut;
            if (Clip(p, q, &cut)) {
                out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke-width='1' ",
                              cam.X(p), cam.Y(p), cam.X(q), cam.Y(q)) +
                       "stroke='" + kGroundColor + "'/>\n";
            }
        }
    }
    return out;
}

} // namespace

CameraViewPicture RenderCameraView(const Pose& pose, double x, double y, double width,
                                   double height) {
    CameraViewPicture pic;
    Camera cam;
    cam.at = pose.camera;
    const Matrix3& r = pose.cameraRotation;
    for (int k = 0; k < 3; ++k) {
        cam.right[k] = r.m[k][0];
        cam.forward[k] = r.m[k][1];
        cam.up[k] = r.m[k][2];
    }
    cam.focal = (width / 2) / tan(kFieldOfViewAcross / 2 * kPi / 180.0);
    cam.cx = width / 2;
    cam.cy = height / 2;

    std::vector<Item> world, arms;
    std::vector<std::string> cuts;
    for (const PoseBone& b : pose.bones) {
        if (!b.shown) {
            continue; // hidden, or collapsed for the view
        }
        if (b.firstPerson) {
            if (pose.firstPersonPass && RadiusOf(b) > 0) {
                AddLimb(cam, b, RadiusOf(b), kArmsColor, &arms, &cuts);
            }
            continue;
        }
        if (b.name == "Bip01 Head") {
            AddHead(cam, b, &world, &cuts);
        }
        if (RadiusOf(b) > 0) {
            AddLimb(cam, b, RadiusOf(b), kBodyColor, &world, &cuts);
        }
    }
    auto farFirst = [](const Item& a, const Item& b) { return a.depth > b.depth; };
    std::stable_sort(world.begin(), world.end(), farFirst);
    std::stable_sort(arms.begin(), arms.end(), farFirst);

    std::string& out = pic.svg;
    out += Format("<svg x='%.1f' y='%.1f' width='%.0f' height='%.0f' overflow='hidden'>\n", x, y,
                  width, height);
    out += "<rect width='100%' height='100%' fill='#eef4fa' stroke='#bbb'/>\n";
    out += Ground(cam, pose.sceneBody);
    for (const Item& i : world) {
        out += i.svg;
    }
    // The first-person pass: over a cleared depth buffer, on top.
    for (const Item& i : arms) {
        out += i.svg;
    }
    out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='#999'/>", width / 2 - 6,
                  height / 2, width / 2 + 6, height / 2);
    out += Format("<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='#999'/>\n", width / 2,
                  height / 2 - 6, width / 2, height / 2 + 6);
    out += "</svg>\n";

    pic.cut = static_cast<int>(cuts.size());
    char head[160];
    snprintf(head, sizeof head,
             "through the camera: %.0f degrees across, the near plane at %.0f units; ",
             kFieldOfViewAcross, kNearDistance);
    pic.caption = head;
    if (cuts.empty()) {
        pic.caption += "it cuts no part";
    } else {
        pic.caption +=
            "it cuts " + std::to_string(cuts.size()) + (cuts.size() == 1 ? " part (" : " parts (");
        for (size_t i = 0; i < cuts.size(); ++i) {
            pic.caption += (i ? ", " : "") + cuts[i];
        }
        pic.caption += ")";
    }
    if (!pose.viewDrawn) {
        pic.caption += "; no view was drawn in this frame: the camera as it stands";
    }
    return pic;
}

} // namespace simtool
