// The serial-port selection dialog: COM1 to COM6, each shown with the device it opens.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class CSerialPortDlg;
}

class CSerialPortDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 130
    };

    // `port` (1..6) is checked when the dialog opens.
    explicit CSerialPortDlg(int port, QWidget* parent = nullptr);
    ~CSerialPortDlg() override;

    int port() const { return port_; }

private:
    std::unique_ptr<Ui::CSerialPortDlg> ui_;
    int port_;
};

// Runs the serial-port dialog and applies the choice: on Ok the port in use is written to the
// profile again, and `reopen` is called with a new port (it opens and saves it).
void SelectSerialPort(QWidget* parent, const std::function<void(int port)>& reopen);
