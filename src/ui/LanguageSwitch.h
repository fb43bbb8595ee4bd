#pragma once
#include <QObject>
#include "ui/dialogs/FormPrompt.h"

#include <QPointer>

#include <functional>

class QWidget;

// The language chooser under the title bar's flag and the change of language, which
// saves the choice and restarts the program (the new copy loads its translation).
class LanguageSwitch : public QObject
{
    Q_OBJECT
public:
    // What the switch asks of the window around it.
    class Window
    {
    public:
        virtual ~Window() = default;
        // Each service has the answer of a window without a camera, in the light look,
        // that shows nothing; the window overrides them all.
        // The window itself: the owner of the switch and the parent of the chooser.
        virtual QWidget *widget() { return nullptr; }
        // While an upgrade runs: tells the user the window cannot go now and returns true.
        virtual bool refuseWhileUpgrading() { return false; }
        // Ends the periodic status queries to the camera.
        virtual void stopStatusPoll() {}
        virtual void stopCameraPreView() {}
        virtual int styleIndex() const { return 0; }
    };

    explicit LanguageSwitch(Window &window);

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
    Window &m_window;
    QPointer<FormPrompt> m_formPrompt;
};
