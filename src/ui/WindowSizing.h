#pragma once
#include <QSize>

// The main window's size rule: from the primary screen's logical size (sw, sh) and its
// physical size (W, H) to the window size.
namespace windowsizing {

// What the rule does with the window.
struct WindowSizeDecision
{
    enum Kind {
        FitScreen, // narrower than 1000 logical pixels: the screen's own size
        Resize,    // resize to size
        Keep,      // leave the size as it is
    };
    Kind kind = Keep;
    QSize size;
};

// W / sw rounded to two decimals, so that 1.25, 1.5, 1.75, 2 and 3 come out exact.
double screenScale(int logicalWidth, int physicalWidth);

WindowSizeDecision windowSizeFor(int sw, int sh, int W, int H);

// The factors the diagnostics log beside the decision.
constexpr double kAppScaleW = 0.75;
constexpr double kAppScaleH = 0.7148148148148148;

} // namespace windowsizing
