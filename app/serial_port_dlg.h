// The serial-port selection dialog: COM1 to COM6, each shown with the device it opens, the
// serial devices of this machine, and the search for the one the tester answers on.
#pragma once

#include "link/serial_devices.h"
#include "link/tester_finder.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class CSerialPortDlg;
}
class LinkApi;
class QTreeWidgetItem;

// What the dialog needs besides the port in use: where the devices come from, and the link
// library with the device the program holds open (both null/empty: no search).
struct SerialPortContext
{
    SerialDeviceSeam seam = SerialDeviceSeam::FromEnvironment();
    LinkApi* api = nullptr;
    QString ownDevice;
};

class CSerialPortDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 130
    };

    // `port` (1..6) is checked when the dialog opens.
    explicit CSerialPortDlg(int port, QWidget* parent = nullptr,
                            SerialPortContext context = SerialPortContext());
    ~CSerialPortDlg() override;

    int port() const { return port_; }
    // The devices chosen in this dialog, by COM number, as the profile is to name them.
    const std::map<int, QString>& chosenDevices() const { return chosen_; }

    // Lists the devices again.
    void Refresh();
    // Starts the search for the tester over the listed devices.
    void FindTester();
    // Chooses the selected device for the checked COM number.
    void UseSelectedDevice();

private:
    void ShowPortDevices();
    void FitList();
    void ShowSelection();
    void SetState(int row, const QString& text, const QString& why = {});
    void OnTried(const TesterFinder::Result& result);
    void OnFound();
    QString DeviceOfPort(int port) const;

    std::unique_ptr<Ui::CSerialPortDlg> ui_;
    int port_;
    SerialPortContext context_;
    std::vector<SerialDevice> devices_;
    std::map<int, QString> chosen_;
    std::unique_ptr<TesterFinder> finder_;
};

// Runs the serial-port dialog and applies the choice: on Ok the devices chosen are written to
// the profile, and `reopen` is called when the port in use changes or now leads to another
// device (it opens and saves it); otherwise the port in use is written to the profile again.
void SelectSerialPort(QWidget* parent, const SerialPortContext& context,
                      const std::function<void(int port)>& reopen);
