#pragma once
#include <QObject>
#include <QString>

class MainWindow;
class QLabel;

namespace Ui {
class MainWindow;
}

// The light and dark looks of the window: the application style sheet and palette, the
// images and colours the code sets itself (loading animation, list icons, section
// headers, direction pad, language button), and the support links whose colours and
// targets follow theme and language.
class Theme : public QObject
{
    Q_OBJECT
public:
    Theme(MainWindow &window, Ui::MainWindow *ui);

    // 0 light, any other value dark.
    void applyTheme(int index);
    // Loads a style sheet file and applies it unless it is the text applied last.
    static void changeStyle(const QString &qssFile);
    // How many times a style sheet was applied in this process (for diagnostics).
    static int appliedCount();

    void updateLanguageButton();
    void updateSupportLinks(const QString &colour);
    void updateSupportUrl();

    bool isDarkMode() const { return m_bDarkMode; }
    QString docUrl() const { return m_docUrl; }
    QString appUrl() const { return m_appUrl; }
    QString supportUrl() const { return m_supportUrl; }

public slots:
    void on_btnModeLight_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isLight() const;
    QString themeLinkColour() const;
    void setDocLink(const QString &colour);
    void setAppLink(const QString &colour, bool hovered);
    void setSupportLink(const QString &colour);

    MainWindow &m_window;
    Ui::MainWindow *ui;
    bool m_bDarkMode = false;
    QString m_docUrl;
    QString m_appUrl;
    QString m_supportUrl;
};
