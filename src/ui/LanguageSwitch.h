#pragma once
#include <QObject>
#include "ui/dialogs/FormPrompt.h"

#include <QPointer>

#include <functional>

class MainWindow;

// The language chooser under the title bar's flag and the change of language, which
// saves the choice and restarts the program (the new copy loads its translation).
class LanguageSwitch : public QObject
{
    Q_OBJECT
public:
    explicit LanguageSwitch(MainWindow &window);

    FormPrompt *chooser() const { return m_formPrompt; }
    // Hides and closes the chooser if there is one.
    void hideChooser();

    // What the restart does (tests replace it; the program ends its event loop with
    // the restart code).
    using RestartHandler = std::function<void()>;
    static void setRestartHandler(RestartHandler handler);

public slots:
    void on_btnLanguage_clicked();
    void slotOnSwitchLanguage(int type);
    void slotRestartApp();

private:
    MainWindow &m_window;
    QPointer<FormPrompt> m_formPrompt;
};
