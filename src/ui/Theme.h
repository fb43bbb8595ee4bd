#pragma once
#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QLabel;
class QListWidget;
class QMovie;
class QWidget;
class titleBar;

// The light and dark looks of the window: the application style sheet and palette, the
// images and colours the code sets itself (loading animation, list icons, section
// headers, direction pad, language button), and the support links whose colours and
// targets follow theme and language.
class Theme : public QObject
{
    Q_OBJECT
public:
    // The widgets whose looks the theme sets itself, named as in the window's form.
    struct Widgets
    {
        QLabel *labelHyperlinksApp = nullptr;
        QLabel *labelHyperlinksQuickStartGuide = nullptr;
        QLabel *labelHyperlinksContactSupport = nullptr;
        QLabel *labelDevInfo = nullptr;
        QLabel *labelDevUpdate = nullptr;
        QLabel *labelDevSupport = nullptr;
        QLabel *labelloading = nullptr;
        QListWidget *listWidgetCamera = nullptr;
        titleBar *widgetTitleBar = nullptr;
    };

    // What the theme asks of the window around it.
    class Window
    {
    public:
        virtual ~Window() = default;
        // Each service has the answer of a window without a camera, in the light look,
        // that shows nothing; the window overrides them all.
        // The window itself (the theme's owner, repainted after a change).
        virtual QWidget *widget() { return nullptr; }
        virtual int styleIndex() const { return 0; }
        // The window keeps the index (it is saved at close).
        virtual void setStyleIndex(int /*index*/) {}
        // The loading animation of the light or the dark look.
        virtual QMovie *loadingMovie(bool /*light*/) const { return nullptr; }
        // The camera-list item's icon for the current theme when not selected.
        virtual QIcon normalItemIcon() const { return QIcon(); }
        virtual void restyleDirectionPad() {}
    };

    Theme(Window &window, const Widgets &widgets);

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

    Window &m_window;
    const std::unique_ptr<const Widgets> ui;
    bool m_bDarkMode = false;
    QString m_docUrl;
    QString m_appUrl;
    QString m_supportUrl;
};
