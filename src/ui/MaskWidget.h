#pragma once
#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QWidget>

// The single translucent black overlay that dims the main window while one of the
// application's dialogs is open. It watches the events of every object: the show and
// hide of a dialog whose object name is listed raise and drop it, and activating the
// dimmed main window brings the overlay (and the dialog above it) back to the front.
class MaskWidget : public QWidget
{
    Q_OBJECT
public:
    // The one instance, created on first use (GUI thread, after the application object).
    static MaskWidget *instance();

    QWidget *mainWidget() const { return m_mainWidget.data(); }
    QStringList dialogNames() const { return m_dialogNames; }

public slots:
    // The window to cover (not owned; forgotten when it is destroyed). Without one the
    // overlay covers the primary screen.
    void setMainWidget(QWidget *mainWidget);
    // Object names of the dialogs that raise the overlay. By default the message box,
    // the upgrade confirmation and the abnormal-device dialog.
    void setDialogNames(const QStringList &dialogNames);
    void setBgColor(const QColor &bgColor);
    void setOpacity(double opacity);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    MaskWidget();
    bool otherDialogShown(const QObject *closing) const;

    QPointer<QWidget> m_mainWidget;
    QStringList m_dialogNames;
};
