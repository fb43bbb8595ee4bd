#include "ui/dialogs/FormCustomizeMessagebox.h"
#include "ui_FormCustomizeMessagebox.h"

#include "platform/Clock.h"
#include "ui/dialogs/RoundedMask.h"

#include <QTimer>

namespace {
constexpr int kCountdownSeconds = 5;
constexpr int kTickMs = 1000;
} // namespace

FormCustomizeMessagebox::FormCustomizeMessagebox(const QString &text, int buttonMode, bool autoClose,
                                                 QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FormCustomizeMessagebox)
    , m_text(text)
    , m_buttonMode(buttonMode)
    , m_autoClose(autoClose)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->labeltext->setText(m_text);
    ui->btnCancel->setVisible(m_buttonMode == 1);
    ui->btnOK->setVisible(true);
    if (m_autoClose) {
        ui->labelCountdown->show();
        m_seconds = kCountdownSeconds;
        writeCountdown();
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &FormCustomizeMessagebox::slotOnTimeout);
        platform::startTimer(*m_timer, kTickMs);
    } else {
        ui->labelCountdown->hide();
    }
    ui->btnOK->setFocus();
}

FormCustomizeMessagebox::~FormCustomizeMessagebox()
{
    delete ui;
}

void FormCustomizeMessagebox::writeCountdown()
{
    ui->labelCountdown->setText(tr("The window will close automatically after %n seconds.", nullptr, m_seconds));
}

void FormCustomizeMessagebox::stopTimer()
{
    if (!m_timer)
        return;
    m_timer->stop();
    delete m_timer;
    m_timer = nullptr;
}

void FormCustomizeMessagebox::slotOnTimeout()
{
    writeCountdown();
    if (m_seconds-- != 0)
        return;
    stopTimer();
    accept();
}

void FormCustomizeMessagebox::on_btnOK_clicked()
{
    stopTimer();
    accept();
}

void FormCustomizeMessagebox::on_btnCancel_clicked()
{
    stopTimer();
    reject();
}

// Escape and closing the window answer the box too; a countdown left running would
// later accept a box that was already rejected.
void FormCustomizeMessagebox::done(int result)
{
    stopTimer();
    QDialog::done(result);
}

void FormCustomizeMessagebox::resizeEvent(QResizeEvent *event)
{
    applyRoundedMask(this);
    QDialog::resizeEvent(event);
}
