#pragma once
#include <QComboBox>

// A drop-down list whose closed box ends a choice too long for it with "…" instead of
// cutting it off, and shows the whole choice as its tooltip then (some translations of
// the option lists are longer than the control column is wide). The open list shows
// the choices whole anyway.
class ElidingComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ElidingComboBox(QWidget *parent = nullptr);

    // The current choice as the closed box shows it: whole, or shortened with "…".
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    int textWidth() const;
};
