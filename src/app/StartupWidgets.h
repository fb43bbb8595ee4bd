#pragma once

class QTranslator;

// The start-up steps that need the GUI application.

// Registers the bundled font, lets it stand in for "Segoe UI" and makes "Segoe UI" 12
// the application font.
void installApplicationFont();

// For tests of the real executable: LENSDESK_TEST_EXIT_CODES holds a comma-separated list
// of exit codes. The first one ends this run's event loop as soon as it runs; the rest is
// left in the environment for a restarted copy, so a chain of restarts always ends. With
// LENSDESK_TEST_CLOSE_WINDOW set, the windows are closed before the loop ends.
void armTestExitHook(const QTranslator &translator);
