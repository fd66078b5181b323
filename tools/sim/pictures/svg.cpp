#include "tools/sim/pictures/svg.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

namespace simtool {

namespace {

constexpr int kWidth = 960;
constexpr int kLeft = 70, kRight = 150; // margins: axis labels, legend
constexpr int kBandTop = 50, kBandHeight = 26;
constexpr int kPanelHeight = 190, kPanelGap = 50;

struct Series {
    const char* name;
    const char* color;
    const float* (*value)(const FramePoint&);
    const char* dash;
};

// Drawn in this order: the camera last, over the eye point it usually meets.
const Series kSeries[] = {
    {"body root", "#2ca02c", [](const FramePoint& p) { return p.body; }, ""},
    {"eye point", "#1f77b4", [](const FramePoint& p) { return p.eye; }, ""},
    {"camera", "#d62728", [](const FramePoint& p) { return p.camera; }, "7,4"},
};

// One colour per state, the same in every picture.
struct StateColor {
    const char* state;
    const char* color;
};
const StateColor kStateColors[] = {
    {"standing", "#f2f2f2"},     {"head bob", "#e8e8e8"},         {"sitting", "#ffe9b3"},
    {"lying", "#d7ecff"},        {"mounted", "#e3f5d6"},          {"knocked out", "#f8d6e8"},
    {"dead", "#e6dcf5"},         {"vampire feeding", "#ffd9cc"},  {"animation", "#d9f2f2"},
    {"third person", "#eeeeaa"}, {"forced body view", "#f5e6c8"}, {"menu", "#dddddd"},
};
const char* const kOtherStateColor = "#ffffff";

const char* ColorOf(const std::string& state) {
    for (const StateColor& c : kStateColors) {
        if (state == c.state) {
            return c.color;
        }
    }
    return kOtherStateColor;
}

// A round step for about `count` ticks over `span`: 1, 2 or 5 times a power
// of ten.
double RoundStep(double span, int count) {
    const double raw = span / count;
    const double power = pow(10.0, floor(log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Format(const char* fmt, double a, double b = 0, double c = 0, double d = 0) {
    char buf[256];
    snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

// One panel: component `axis` of every series over the frames.
std::string Panel(const std::vector<FramePoint>& points, int axis, const char* label, int top) {
    float lo = INFINITY, hi = -INFINITY;
    for (const FramePoint& p : points) {
        for (const Series& s : kSeries) {
            lo = std::min(lo, s.value(p)[axis]);
            hi = std::max(hi, s.value(p)[axis]);
        }
    }
    if (!(hi > lo)) {
        lo -= 1;
        hi += 1;
    }
    const float pad = (hi - lo) * 0.08f;
    lo -= pad;
    hi += pad;
    const int plotWidth = kWidth - kLeft - kRight;
    const int n = static_cast<int>(points.size());
    auto x = [&](int i) { return kLeft + (n <= 1 ? plotWidth / 2.0 : plotWidth * i / (n - 1.0)); };
    auto y = [&](float v) { return top + kPanelHeight * (hi - v) / (hi - lo); };

    std::string out;
    out += Format("<rect x='%g' y='%g' width='%g' height='%g' fill='white' stroke='#999'/>\n",
                  kLeft, top, plotWidth, kPanelHeight);
    out += "<text x='12' y='" + Format("%g", top + kPanelHeight / 2.0) +
           "' font-size='13' transform='rotate(-90 12," + Format("%g", top + kPanelHeight / 2.0) +
           ")' text-anchor='middle'>" + label + "</text>\n";
    const double step = RoundStep(hi - lo, 4);
    for (double v = ceil(lo / step) * step; v <= hi; v += step) {
        out += Format("<line x1='%g' y1='%g' x2='%g' y2='%g' stroke='#eee'/>\n", kLeft, y(v),
                      kLeft + plotWidth, y(v));
        out += Format("<text x='%g' y='%g' font-size='11' text-anchor='end'>%g</text>\n", kLeft - 6,
                      y(v) + 4, fabs(v) < step / 2 ? 0.0 : v);
    }
    for (const Series& s : kSeries) {
        std::string path;
        for (int i = 0; i < n; ++i) {
            char step[64];
            snprintf(step, sizeof step, "%c%.2f,%.2f ", i == 0 ? 'M' : 'L', x(i),
                     y(s.value(points[i])[axis]));
            path += step;
        }
        out += std::string("<path d='") + path + "' fill='none' stroke='" + s.color +
               "' stroke-width='2' stroke-dasharray='" + s.dash + "'/>\n";
        if (n == 1) {
            out +=
                Format("<circle cx='%g' cy='%g' r='3' fill='", x(0), y(s.value(points[0])[axis])) +
                s.color + "'/>\n";
        }
    }
    return out;
}

} // namespace

std::string RenderSvg(const std::string& title, const std::vector<FramePoint>& points) {
    const int height = kBandTop + kBandHeight + 30 + 2 * kPanelHeight + kPanelGap + 50;
    std::string out = "<svg xmlns='http://www.w3.org/2000/svg' width='" + std::to_string(kWidth) +
                      "' height='" + std::to_string(height) + "' font-family='sans-serif'>\n";
    out += "<rect width='100%' height='100%' fill='#fafafa'/>\n";
    out += "<text x='" + std::to_string(kLeft) + "' y='28' font-size='17'>" + Escape(title) +
           "</text>\n";
    if (points.empty()) {
        return out + "<text x='70' y='80'>no frames</text>\n</svg>\n";
    }

    // The player's state over the frames, as a band of labelled stretches.
    const int plotWidth = kWidth - kLeft - kRight;
    const int n = static_cast<int>(points.size());
    int start = 0;
    for (int i = 1; i <= n; ++i) {
        if (i < n && points[i].state == points[start].state) {
            continue;
        }
        const std::string& state = points[start].state;
        const double x0 = kLeft + plotWidth * static_cast<double>(start) / n;
        const double x1 = kLeft + plotWidth * static_cast<double>(i) / n;
        out += Format("<rect x='%g' y='%g' width='%g' height='%g' fill='", x0, kBandTop, x1 - x0,
                      kBandHeight) +
               ColorOf(state) + "' stroke='#bbb'/>\n";
        out += Format("<text x='%g' y='%g' font-size='11' text-anchor='middle'>", (x0 + x1) / 2,
                      kBandTop + 17) +
               Escape(state) + "</text>\n";
        start = i;
    }
    out += Format("<text x='%g' y='%g' font-size='11' text-anchor='end'>state</text>\n", kLeft - 6,
                  kBandTop + 17);

    const int firstTop = kBandTop + kBandHeight + 30;
    out += Panel(points, 2, "height (z), game units", firstTop);
    out += Panel(points, 1, "forward (y), game units", firstTop + kPanelHeight + kPanelGap);
    out += Format("<text x='%g' y='%g' font-size='12' text-anchor='middle'>frame 0 .. %g</text>\n",
                  kLeft + plotWidth / 2.0, height - 14, n - 1);

    int row = 0;
    for (const Series& s : kSeries) {
        const double ly = firstTop + 10 + 22 * row++;
        out += Format("<line x1='%g' y1='%g' x2='%g' y2='%g' stroke='", kWidth - kRight + 14, ly,
                      kWidth - kRight + 44, ly) +
               s.color + "' stroke-width='2' stroke-dasharray='" + s.dash + "'/>\n";
        out += Format("<text x='%g' y='%g' font-size='12'>", kWidth - kRight + 50, ly + 4) +
               s.name + "</text>\n";
    }
    return out + "</svg>\n";
}

} // namespace simtool
