// The serial-port selection dialog.
#include "app/serial_port_dlg.h"

#include "app/app_constants.h"
#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/help_request.h"
#include "core/texts.h"
#include "platform/profile.h"
#include "platform/serial_ports.h"
#include "ui_serial_port_dlg.h"

#include <QFileInfo>
#include <cstdio>

namespace {
constexpr const char* kSection = "DIALOGO_SELEZIONE_PORTA_SERIALE";
}

CSerialPortDlg::CSerialPortDlg(int port, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CSerialPortDlg), port_(port)
{
    ui_->setupUi(this);
    setProperty("helpId", helpid::SerialPort);
    auto text = [](int number) { return UiText(kSection, number); };
    setWindowTitle(text(1));
    QRadioButton* radios[6] = {ui_->radioCom1, ui_->radioCom2, ui_->radioCom3,
                               ui_->radioCom4, ui_->radioCom5, ui_->radioCom6};
    QLabel* devices[6] = {ui_->deviceCom1, ui_->deviceCom2, ui_->deviceCom3,
                          ui_->deviceCom4, ui_->deviceCom5, ui_->deviceCom6};
    const QString prefix = text(2);
    for (int n = 1; n <= 6; ++n) {
        radios[n - 1]->setText(QString("%1%2").arg(prefix).arg(n));
        radios[n - 1]->setChecked(n == port);
        connect(radios[n - 1], &QRadioButton::clicked, this, [this, n] { port_ = n; });
        // The device beside each port; one that is not there is greyed, yet can be chosen.
        QString device =
            QString::fromStdString(SerialDeviceForPort(n, AppConfig.profilePath.c_str()));
        devices[n - 1]->setText(device);
        devices[n - 1]->setEnabled(QFileInfo::exists(device));
    }
    ui_->buttonOk->setText(text(3));
    ui_->buttonCancel->setText(text(4));
    ui_->buttonHelp->setText(text(5));
    connect(ui_->buttonOk, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui_->buttonCancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(ui_->buttonHelp, &QPushButton::clicked, this, [] { RequestHelp(helpid::SerialPort); });
}

CSerialPortDlg::~CSerialPortDlg() = default;

void SelectSerialPort(QWidget* parent, const std::function<void(int port)>& reopen)
{
    CSerialPortDlg dlg(AppConfig.comPort, parent);
    if (dlg.exec() != 1)
        return;
    // The port in use is written again; another one only once it opened (`reopen` saves it).
    if (dlg.port() != AppConfig.comPort)
        reopen(dlg.port());
    else
        SaveComPort(dlg.port());
}
