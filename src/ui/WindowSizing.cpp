#include "ui/WindowSizing.h"

#include <QString>

namespace windowsizing {

namespace {

struct Row
{
    double scale; // 0: any
    int physicalWidth;
    int physicalHeight; // 0: any
    double wf;
    double hf;
};

// Searched in order; the first row that matches decides. A 1920-wide screen at a
// scale without a row keeps the window's size.
const Row kRows[] = {
    {1.25, 1920, 0, 0.86, 0.82},
    {1.5, 1920, 0, 0.94, 0.92},
    {1.75, 1920, 0, 0.96, 0.82},
    {1.75, 2560, 1080, 0.8, 0.82},
    {2.0, 2560, 1080, 0.9, 0.98},
    {2.0, 2560, 1440, 0.94, 0.92},
    {1.75, 2560, 1440, 0.84, 0.84},
    {1.0, 3440, 1440, 0.7, 0.89},
    {2.0, 3440, 1440, 0.84, 0.92},
    {1.0, 3840, 2160, 0.66, 0.66},
    {3.0, 3840, 2160, 0.94, 0.92},
};

constexpr double kDefaultWf = 0.8;
constexpr double kDefaultHf = 0.7448148148148148;

QSize scaled(int sw, int sh, double wf, double hf)
{
    return QSize(static_cast<int>(sw * wf), static_cast<int>(sh * hf));
}

} // namespace

double screenScale(int logicalWidth, int physicalWidth)
{
    if (logicalWidth <= 0)
        return 1.0;
    const double raw = static_cast<double>(physicalWidth) / logicalWidth;
    return QString::number(raw, 'f', 2).toDouble();
}

WindowSizeDecision windowSizeFor(int sw, int sh, int W, int H)
{
    WindowSizeDecision decision;
    if (sw < 1000) {
        decision.kind = WindowSizeDecision::FitScreen;
        return decision;
    }
    const double s = screenScale(sw, W);
    for (const Row &row : kRows) {
        if (row.scale != s || row.physicalWidth != W)
            continue;
        if (row.physicalHeight != 0 && row.physicalHeight != H)
            continue;
        decision.kind = WindowSizeDecision::Resize;
        decision.size = scaled(sw, sh, row.wf, row.hf);
        return decision;
    }
    // The rows above cover the 1920-wide scales that have their own factors; any other
    // scale except 1.0 on such a screen leaves the window as it is.
    if (W == 1920 && s != 1.0) {
        decision.kind = WindowSizeDecision::Keep;
        return decision;
    }
    decision.kind = WindowSizeDecision::Resize;
    decision.size = scaled(sw, sh, kDefaultWf, kDefaultHf);
    return decision;
}

} // namespace windowsizing
