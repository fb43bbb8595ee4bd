#pragma once
// Answering the application's modal dialogs in GUI tests.
//
// DialogAnswerer: while it lives, every FormCustomizeMessagebox, FormUpgrade and
// FormAbnormal that is shown is recorded (object name, text, shown buttons, countdown
// lines) and, once it is the active modal widget, answered with the next scripted
// action, or with the fallback action when the script is used up.
//
//     dialogtest::DialogAnswerer answerer;                  // fallback: OK
//     answerer.answer(dialogtest::Cancel);                  // the first dialog: Cancel
//     answerer.answer(dialogtest::Ok, 2);                   // the next: OK after 2 ticks
//     answerer.answer(dialogtest::LeaveOpen);               // the next: let it count down
//     ... drive the window ...
//     QTRY_COMPARE(answerer.count(), 3);
//     QCOMPARE(answerer.at(0).name, QStringLiteral("FormCustomizeMessagebox"));
//     QCOMPARE(answerer.at(0).text, QStringLiteral("The setting has timed out, please try again."));
//     QCOMPARE(answerer.at(2).result, 1);
//     QVERIFY2(answerer.errors().isEmpty(), qPrintable(answerer.errors().join('\n')));
//
// A step applies to whatever recognised dialog is modal when its turn comes, so one
// dialog that stays open (FormAbnormal after a bad package) takes the following step
// too. A scripted button that the dialog does not show is an error (see errors()); the
// dialog is then rejected so that the test does not hang. "Ticks" are the countdown
// timer's ticks; LeaveOpen never touches the dialog (a countdown box closes itself).
//
// FileDialogAnswerer: answers every file pick of FileDialogs with scripted paths (an
// empty path, or a used-up script, is a cancelled pick) and records each request.
#include "ui/dialogs/FileDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

namespace dialogtest {

enum Action {
    Ok,        // btnOK
    Cancel,    // btnCancel
    Upgrade,   // btnUpgrade (FormAbnormal)
    Close,     // close the window (Escape, close button): result 0
    LeaveOpen, // do nothing; the dialog closes itself or the test closes it
};

struct SeenDialog
{
    QString name;            // object name
    QString text;            // labeltext, labelPrompt, or textEditPrompt as plain text
    QStringList buttons;     // object names of the push buttons shown, in layout order
    QStringList countdown;   // labelCountdown: as shown, then after every tick
    int ticks = 0;           // countdown ticks seen
    int result = -1;         // the dialog's result once it was hidden, else -1
    bool open = true;
};

class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(Action fallback = Ok)
        : m_fallback(fallback)
    {
        qApp->installEventFilter(this);
        m_poll.setInterval(1);
        QObject::connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
    }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }
    DialogAnswerer(const DialogAnswerer &) = delete;
    DialogAnswerer &operator=(const DialogAnswerer &) = delete;

    // Queues the action for the next step; it is taken once the modal dialog's
    // countdown has ticked `afterTicks` times.
    DialogAnswerer &answer(Action action, int afterTicks = 0)
    {
        m_script.enqueue(Step{action, afterTicks});
        return *this;
    }

    // The dialogs seen so far, in the order they were shown.
    int count() const { return m_seen.size(); }
    const SeenDialog &at(int i) const { return m_seen.at(i); }
    const SeenDialog &last() const { return m_seen.last(); }
    QStringList names() const
    {
        QStringList n;
        for (const SeenDialog &d : m_seen)
            n << d.name;
        return n;
    }
    QStringList texts() const
    {
        QStringList t;
        for (const SeenDialog &d : m_seen)
            t << d.text;
        return t;
    }
    // Scripted steps not yet taken.
    int pendingSteps() const { return m_script.size(); }
    // Scripted buttons that a dialog did not show.
    QStringList errors() const { return m_errors; }

    static bool isAnswerable(const QObject *o)
    {
        const QString n = o->objectName();
        return n == QLatin1String("FormCustomizeMessagebox") || n == QLatin1String("FormUpgrade")
               || n == QLatin1String("FormAbnormal");
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType() || !isAnswerable(watched))
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && widget->isWindow() && watchIndex(widget) < 0)
            startWatching(widget);
        else if (event->type() == QEvent::Hide && watchIndex(widget) >= 0)
            stopWatching(watchIndex(widget));
        return false;
    }

private:
    struct Step
    {
        Action action;
        int afterTicks;
    };
    // A recognised dialog that is showing (nested ones stack up).
    struct Watch
    {
        QPointer<QWidget> dialog;
        int seen; // index in m_seen
        bool leftOpen;
    };

    static QString textOf(QWidget *dialog)
    {
        for (const char *name : {"labeltext", "labelPrompt"})
            if (auto *label = dialog->findChild<QLabel *>(QLatin1String(name)))
                return label->text();
        if (auto *edit = dialog->findChild<QTextEdit *>(QStringLiteral("textEditPrompt")))
            return edit->toPlainText();
        return QString();
    }

    static QString countdownText(QWidget *dialog)
    {
        auto *label = dialog ? dialog->findChild<QLabel *>(QStringLiteral("labelCountdown")) : nullptr;
        return label && label->isVisibleTo(dialog) ? label->text() : QString();
    }

    int watchIndex(const QWidget *dialog) const
    {
        for (int i = 0; i < m_watching.size(); ++i)
            if (m_watching.at(i).dialog == dialog)
                return i;
        return -1;
    }

    void startWatching(QWidget *dialog)
    {
        SeenDialog seen;
        seen.name = dialog->objectName();
        seen.text = textOf(dialog);
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->isVisibleTo(dialog))
                seen.buttons << b->objectName();
        const QString line = countdownText(dialog);
        if (!line.isEmpty())
            seen.countdown << line;
        const int index = m_seen.size();
        m_seen.append(seen);
        m_watching.append(Watch{dialog, index, false});
        // Connected after the dialog's own slot, so each line is read after its tick.
        for (QTimer *timer : dialog->findChildren<QTimer *>()) {
            QPointer<QWidget> guard(dialog);
            QObject::connect(timer, &QTimer::timeout, this, [this, guard, index] {
                if (guard && watchIndex(guard) >= 0) {
                    m_seen[index].countdown << countdownText(guard);
                    ++m_seen[index].ticks;
                }
            });
        }
        if (auto *d = qobject_cast<QDialog *>(dialog))
            QObject::connect(d, &QDialog::finished, this, [this, index](int result) { m_seen[index].result = result; });
        m_poll.start();
    }

    void stopWatching(int w)
    {
        const Watch watch = m_watching.takeAt(w);
        SeenDialog &seen = m_seen[watch.seen];
        // The last tick writes its line and closes the box before our slot would run.
        const QString line = countdownText(watch.dialog);
        if (!line.isEmpty() && (seen.countdown.isEmpty() || seen.countdown.last() != line)) {
            seen.countdown << line;
            ++seen.ticks;
        }
        seen.open = false;
        if (m_watching.isEmpty())
            m_poll.stop();
    }

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        const int w = watchIndex(modal);
        if (!modal || w < 0 || m_watching.at(w).leftOpen)
            return;
        const Step step = m_script.isEmpty() ? Step{m_fallback, 0} : m_script.head();
        if (m_seen.at(m_watching.at(w).seen).ticks < step.afterTicks)
            return;
        if (!m_script.isEmpty())
            m_script.dequeue();
        if (step.action == LeaveOpen)
            m_watching[w].leftOpen = true;
        else
            act(modal, step.action);
    }

    void act(QWidget *dialog, Action action)
    {
        if (action == Close) {
            dialog->close();
            return;
        }
        const char *button = action == Ok ? "btnOK" : action == Cancel ? "btnCancel" : "btnUpgrade";
        auto *b = dialog->findChild<QPushButton *>(QLatin1String(button));
        if (!b || !b->isVisibleTo(dialog)) {
            m_errors << QStringLiteral("%1: %2 is not shown").arg(dialog->objectName(), QLatin1String(button));
            if (auto *d = qobject_cast<QDialog *>(dialog))
                d->reject();
            return;
        }
        b->click();
    }

    Action m_fallback;
    QQueue<Step> m_script;
    QList<SeenDialog> m_seen;
    QList<Watch> m_watching;
    QStringList m_errors;
    QTimer m_poll;
};

class FileDialogAnswerer
{
public:
    FileDialogAnswerer()
    {
        FileDialogs::setHook([this](const FileDialogs::Request &request) {
            m_requests.append(request);
            return m_answers.isEmpty() ? QString() : m_answers.dequeue();
        });
    }
    ~FileDialogAnswerer() { FileDialogs::setHook(nullptr); }
    FileDialogAnswerer(const FileDialogAnswerer &) = delete;
    FileDialogAnswerer &operator=(const FileDialogAnswerer &) = delete;

    // Queues the path the next pick returns (empty: the user cancels).
    FileDialogAnswerer &answer(const QString &path)
    {
        m_answers.enqueue(path);
        return *this;
    }
    QList<FileDialogs::Request> requests() const { return m_requests; }
    int count() const { return m_requests.size(); }

private:
    QQueue<QString> m_answers;
    QList<FileDialogs::Request> m_requests;
};

} // namespace dialogtest
