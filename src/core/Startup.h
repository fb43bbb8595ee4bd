#pragma once
#include <QString>

class QSettings;
class QTranslator;
class SettingsStore;

// The steps of start-up and shut-down that main() strings together and lensdeskctl
// shares; those that need the GUI application are in app/StartupWidgets.h.

// The event-loop result that asks for a fresh copy of the program.
constexpr int kRestartExitCode = 773;

// The "product.ini" the user's settings are read from and written to: beside the program
// for a portable install, else in the user's configuration folder.
QString settingsFilePath();

// "--help" and "--version": prints the text and gives the exit code (0) when one of them
// is asked for, else -1. Needs no display: it runs before the GUI application exists.
// Every other argument is left to the toolkit, as before.
int handleCommandLine(int argc, char *argv[]);
// "major.minor.patch" of this build.
QString applicationVersion();

// The language index stored in the settings; anything but 0 to 4 (missing, not a number,
// out of range) is English.
int languageIndexFromSettings(const QSettings &settings);
int languageIndexFromSettings(const SettingsStore &settings);

// The three banner lines that open every run in the log.
void logStartBanner();

// Loads the translation of a language (1 to 4) from the folder (the current directory
// when empty); returns whether it loaded. English and unknown indices load nothing.
bool loadTranslation(QTranslator *translator, int language, const QString &folder = QString());

// Loads the toolkit's own translation of a language (1 to 4), "qtbase_<code>.qm" from the
// folder the toolkit keeps its translations in: the file dialogs' and standard buttons'
// texts. Returns whether it loaded; English and unknown indices load nothing.
bool loadToolkitTranslation(QTranslator *translator, int language);

// What main() returns for an event-loop result: on kRestartExitCode it starts program
// detached, without arguments, and gives 0; any other result is passed through.
int handleEventLoopResult(int result, const QString &program);

