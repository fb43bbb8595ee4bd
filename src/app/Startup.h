#pragma once
#include <QString>

class QSettings;
class QTranslator;

// The steps of start-up and shut-down that main() strings together.

// The event-loop result that asks for a fresh copy of the program.
constexpr int kRestartExitCode = 773;

// "product.ini" in the application directory.
QString settingsFilePath();

// The language index stored in the settings; anything but 0 to 4 (missing, not a number,
// out of range) is English.
int languageIndexFromSettings(const QSettings &settings);

// Registers the bundled font, lets it stand in for "Segoe UI" and makes "Segoe UI" 12
// the application font.
void installApplicationFont();

// The three banner lines that open every run in the log.
void logStartBanner();

// Loads the translation of a language (1 to 4) from the current directory; returns
// whether it loaded. English and unknown indices load nothing.
bool loadTranslation(QTranslator *translator, int language);

// What main() returns for an event-loop result: on kRestartExitCode it starts program
// detached, without arguments, and gives 0; any other result is passed through.
int handleEventLoopResult(int result, const QString &program);

// For tests of the real executable: LENSDESK_TEST_EXIT_CODES holds a comma-separated list
// of exit codes. The first one ends this run's event loop as soon as it runs; the rest is
// left in the environment for a restarted copy, so a chain of restarts always ends.
void armTestExitHook(const QTranslator &translator);
