// The serial-port selection dialog.
#include "app/serial_port_dlg.h"

#include "app/app_constants.h"
#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/help_request.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "platform/serial_ports.h"
#include "ui_serial_port_dlg.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr const char* kSection = kDeviceTextsSection;

enum Text
{
    kDevicesTitle = 6,
    kColumnDevice = 7, // 7..12: device, description, manufacturer, serial number, USB, state
    kRefresh = 13,
    kFind = 14,
    kUseFor = 15,    // "%d": the COM number
    kAvailable = 16, // 16..25: the states and outcomes (DeviceStateText, FinderOutcomeText)
    kNotConnected = 17,
    kTrying = 19,
    kCannotOpen = 25,
    kStoredAs = 26, // "%s": the stable name
    kFoundOn = 27,  // "%s": the device(s), "%d": the COM number
    kNoneAnswered = 28,
    kNoDevices = 29,
};

enum Column
{
    kDevice,
    kDescription,
    kManufacturer,
    kSerialNumber,
    kUsb,
    kState,
    kColumns
};

QString Say(int number)
{
    return UiText(kSection, number);
}

QString Fill(int number, std::initializer_list<std::string> arguments)
{
    return QString::fromStdString(FillText(Say(number).toStdString(), arguments));
}

// Why the user may not open `device`: the program's permission text with its advice.
QString PermissionText(const QString& device)
{
    return QString::fromStdString(PortReasonText(AppConfig, proto::PortReason::kNoPermission,
                                                 QFile::encodeName(device).toStdString()));
}

} // namespace

CSerialPortDlg::CSerialPortDlg(int port, QWidget* parent, SerialPortContext context)
    : QDialog(parent), ui_(new Ui::CSerialPortDlg), port_(port), context_(std::move(context))
{
    ui_->setupUi(this);
    setProperty("helpId", helpid::SerialPort);
    setWindowTitle(Say(1));
    QRadioButton* radios[6] = {ui_->radioCom1, ui_->radioCom2, ui_->radioCom3,
                               ui_->radioCom4, ui_->radioCom5, ui_->radioCom6};
    const QString prefix = Say(2);
    for (int n = 1; n <= 6; ++n) {
        radios[n - 1]->setText(QString("%1%2").arg(prefix).arg(n));
        radios[n - 1]->setChecked(n == port);
        connect(radios[n - 1], &QRadioButton::clicked, this, [this, n] {
            port_ = n;
            ShowSelection();
        });
    }
    ui_->buttonOk->setText(Say(3));
    ui_->buttonCancel->setText(Say(4));
    ui_->buttonHelp->setText(Say(5));
    connect(ui_->buttonOk, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui_->buttonCancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(ui_->buttonHelp, &QPushButton::clicked, this, [] { RequestHelp(helpid::SerialPort); });

    ui_->devicesGroup->setTitle(Say(kDevicesTitle));
    QStringList headers;
    for (int column = 0; column < kColumns; ++column)
        headers << Say(kColumnDevice + column);
    ui_->deviceList->setColumnCount(kColumns);
    ui_->deviceList->setHeaderLabels(headers);
    ui_->deviceList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui_->deviceList->header()->setStretchLastSection(true);
    ui_->buttonRefresh->setText(Say(kRefresh));
    ui_->buttonFind->setText(Say(kFind));
    connect(ui_->buttonRefresh, &QPushButton::clicked, this, &CSerialPortDlg::Refresh);
    connect(ui_->buttonFind, &QPushButton::clicked, this, &CSerialPortDlg::FindTester);
    connect(ui_->buttonUseDevice, &QPushButton::clicked, this, &CSerialPortDlg::UseSelectedDevice);
    connect(ui_->deviceList, &QTreeWidget::itemSelectionChanged, this,
            &CSerialPortDlg::ShowSelection);
    connect(ui_->deviceList, &QTreeWidget::itemDoubleClicked, this,
            &CSerialPortDlg::UseSelectedDevice);
    Refresh();
}

CSerialPortDlg::~CSerialPortDlg() = default;

QString CSerialPortDlg::DeviceOfPort(int port) const
{
    if (auto chosen = chosen_.find(port); chosen != chosen_.end())
        return chosen->second;
    return QFile::decodeName(SerialDeviceForPort(port, AppConfig.profilePath.c_str()).c_str());
}

void CSerialPortDlg::ShowPortDevices()
{
    QLabel* labels[6] = {ui_->deviceCom1, ui_->deviceCom2, ui_->deviceCom3,
                         ui_->deviceCom4, ui_->deviceCom5, ui_->deviceCom6};
    for (int n = 1; n <= 6; ++n) {
        // The device beside each port; one that is not there says so, yet can be chosen.
        // A long stable name is cut in its middle, so that the dialog keeps its size; what is
        // said of the device is never cut.
        const QString device = DeviceOfPort(n);
        const bool present = QFileInfo::exists(device);
        const QString state = present ? QString() : QStringLiteral(" (%1)").arg(Say(kNotConnected));
        const QString text = device + state;
        const QFontMetrics metrics = labels[n - 1]->fontMetrics();
        const int room = metrics.averageCharWidth() * 28;
        const int forDevice =
            std::max(room - metrics.horizontalAdvance(state), metrics.averageCharWidth() * 10);
        labels[n - 1]->setMinimumWidth(room);
        labels[n - 1]->setText(metrics.elidedText(device, Qt::ElideMiddle, forDevice) + state);
        labels[n - 1]->setToolTip(text);
        labels[n - 1]->setEnabled(present);
    }
}

void CSerialPortDlg::Refresh()
{
    if (finder_)
        finder_->Stop();
    devices_ = ListSerialDevices(context_.seam);
    ui_->deviceList->clear();
    for (const SerialDevice& device : devices_) {
        auto* item = new QTreeWidgetItem(ui_->deviceList);
        item->setText(kDevice, device.path);
        item->setText(kDescription, device.description);
        item->setText(kManufacturer, device.manufacturer);
        item->setText(kSerialNumber, device.serialNumber);
        item->setText(kUsb, device.UsbId());
        if (!device.stableLink.isEmpty())
            item->setToolTip(kDevice, device.stableLink);
    }
    for (int row = 0; row < int(devices_.size()); ++row) {
        const SerialDevice& device = devices_[std::size_t(row)];
        SetState(row, Say(DeviceStateText(device.state)),
                 device.state == SerialDevice::State::NoPermission ? PermissionText(device.path)
                                                                   : QString());
    }
    FitList();
    ui_->buttonFind->setEnabled(context_.api != nullptr && !devices_.empty());
    ui_->deviceNote->setText(devices_.empty() ? Say(kNoDevices) : QString());
    ShowPortDevices();
    ShowSelection();
}

void CSerialPortDlg::FitList()
{
    // Wide enough for every column and for the longest state the search can give, within the
    // screen; the list scrolls beyond that.
    QTreeWidget* list = ui_->deviceList;
    int width = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    const QFontMetrics metrics = list->fontMetrics();
    for (int column = 0; column < kState; ++column) {
        // What no device tells (a built-in port has no manufacturer) takes no room.
        int widest = 0;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (const QString text = list->topLevelItem(row)->text(column); !text.isEmpty())
                widest = std::max(widest, metrics.horizontalAdvance(text) + 12);
        const bool empty = widest == 0 && column != kDevice;
        list->setColumnHidden(column, empty);
        if (!empty)
            width += std::max(widest, list->header()->sectionSizeHint(column));
    }
    int state = list->header()->sectionSizeHint(kState);
    for (int number = kAvailable; number <= kCannotOpen; ++number)
        state = std::max(state, metrics.horizontalAdvance(Say(number)) + 12);
    width += state;
    const QScreen* where = screen();
    const int room = where ? where->availableGeometry().width() - 100 : width;
    list->setMinimumWidth(std::min(width, room));
}

void CSerialPortDlg::SetState(int row, const QString& text, const QString& why)
{
    QTreeWidgetItem* item = ui_->deviceList->topLevelItem(row);
    if (!item)
        return;
    item->setText(kState, text);
    item->setToolTip(kState, why.isEmpty() ? text : why);
    item->setData(kState, Qt::UserRole, why);
}

void CSerialPortDlg::ShowSelection()
{
    const int row = ui_->deviceList->indexOfTopLevelItem(ui_->deviceList->currentItem());
    const bool selected = row >= 0 && ui_->deviceList->currentItem()->isSelected();
    ui_->buttonUseDevice->setText(Fill(kUseFor, {std::to_string(port_)}));
    ui_->buttonUseDevice->setEnabled(selected);
    if (!selected)
        return;
    const SerialDevice& device = devices_[std::size_t(row)];
    const QString why = ui_->deviceList->currentItem()->data(kState, Qt::UserRole).toString();
    if (!why.isEmpty())
        ui_->deviceNote->setText(why);
    else if (!device.stableLink.isEmpty())
        ui_->deviceNote->setText(
            Fill(kStoredAs, {QFile::encodeName(device.stableLink).toStdString()}));
}

void CSerialPortDlg::UseSelectedDevice()
{
    const int row = ui_->deviceList->indexOfTopLevelItem(ui_->deviceList->currentItem());
    if (row < 0)
        return;
    chosen_[port_] = devices_[std::size_t(row)].ProfileName();
    ShowPortDevices();
}

void CSerialPortDlg::FindTester()
{
    if (!context_.api || devices_.empty())
        return;
    finder_ = std::make_unique<TesterFinder>(*context_.api);
    finder_->SetOwnDevice(context_.ownDevice);
    connect(finder_.get(), &TesterFinder::Trying, this, [this](const QString& device) {
        for (int row = 0; row < int(devices_.size()); ++row)
            if (devices_[std::size_t(row)].path == device)
                SetState(row, Say(kTrying));
    });
    connect(finder_.get(), &TesterFinder::Tried, this, &CSerialPortDlg::OnTried);
    connect(finder_.get(), &TesterFinder::Finished, this, &CSerialPortDlg::OnFound);
    QStringList paths;
    for (const SerialDevice& device : devices_)
        paths << device.path;
    if (!finder_->Start(paths))
        return;
    ui_->buttonFind->setEnabled(false);
    ui_->deviceNote->clear();
}

void CSerialPortDlg::OnTried(const TesterFinder::Result& result)
{
    using Outcome = TesterFinder::Outcome;
    QString why;
    if (result.outcome == Outcome::NoPermission)
        why = PermissionText(result.device);
    else if (result.outcome == Outcome::Failed)
        why = QString::fromStdString(result.detail);
    for (int row = 0; row < int(devices_.size()); ++row)
        if (devices_[std::size_t(row)].path == result.device)
            SetState(row, Say(FinderOutcomeText(result.outcome)), why);
}

void CSerialPortDlg::OnFound()
{
    ui_->buttonFind->setEnabled(true);
    const QStringList answered = finder_ ? finder_->Answered() : QStringList();
    if (answered.isEmpty()) {
        ui_->deviceNote->setText(Say(kNoneAnswered));
        return;
    }
    // The first device that answered is selected, ready to be used for the checked port.
    for (int row = 0; row < int(devices_.size()); ++row)
        if (devices_[std::size_t(row)].path == answered.first()) {
            ui_->deviceList->setCurrentItem(ui_->deviceList->topLevelItem(row));
            break;
        }
    ui_->deviceNote->setText(Fill(
        kFoundOn, {QFile::encodeName(answered.join(", ")).toStdString(), std::to_string(port_)}));
}

void SelectSerialPort(QWidget* parent, const SerialPortContext& context,
                      const std::function<void(int port)>& reopen)
{
    CSerialPortDlg dlg(AppConfig.comPort, parent, context);
    if (dlg.exec() != 1)
        return;
    const std::string inUse = SerialDeviceForPort(AppConfig.comPort, AppConfig.profilePath.c_str());
    for (const auto& [port, device] : dlg.chosenDevices())
        if (!SaveComDevice(port, QFile::encodeName(device).toStdString())) {
            ErrorReport report(ErrorText::kChoiceNotSaved, AppConfig.profilePath);
            ShowMessageText(AppConfig.textsPath.c_str(), ReportTitle(report, AppConfig).c_str(),
                            ReportText(report, AppConfig).c_str(), kStyleError, 0);
            return;
        }
    // The port in use is written again; another port, or the same one leading to another
    // device now, only once it opened (`reopen` saves it).
    const bool moved =
        SerialDeviceForPort(AppConfig.comPort, AppConfig.profilePath.c_str()) != inUse;
    if (dlg.port() != AppConfig.comPort || moved)
        reopen(dlg.port());
    else
        SaveComPort(dlg.port());
}
