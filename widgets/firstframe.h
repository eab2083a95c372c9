#pragma once

class QWidget;

namespace Widgets {

/// For start-up measurements: when the environment variable CORVANTA_QUIT_AFTER_FIRST_FRAME is
/// set to 1, the first time `window` has painted itself the program prints the monotonic clock
/// ("first-frame <nanoseconds>") on standard output and quits. Otherwise it does nothing.
void quitAfterFirstFrameWhenAsked(QWidget &window);

} // namespace Widgets
