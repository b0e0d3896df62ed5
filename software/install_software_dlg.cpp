// The new software installation dialog.
#include "software/install_software_dlg.h"

#include "ui_install_software_dlg.h"

#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/help_request.h"
#include "core/message_box.h"
#include "core/plain_box.h"
#include "core/texts.h"
#include "platform/profile.h"
#include "software/file_tools.h"
#include "software/install_engine.h"
#include "software/vehicle_catalogue.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kUpdateDialogSection = "DIALOGO_AGGIORNAMENTO_SW_TESTER";
constexpr const char* kDescriptionExtension = "INSTALL";
constexpr int kNothingInstalledText = 54;

// Shows the wait cursor for the life of the guard.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string ReadDescription(const std::string& file, const char* section, const char* key,
                            const std::string& defaultText, unsigned size)
{
    std::vector<char> value(size);
    GetPrivateProfileStringA(section, key, defaultText.c_str(), value.data(), size, file.c_str());
    return value.data();
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Shows the result text `number`; `software`, when given, names what the box is about on a
// paragraph of its own, so that each row's box says which software it speaks of.
void ShowResult(int number, BoxIcon icon, const std::string& software = {})
{
    std::string text = GetText(kErrorSection, number, AppConfig.textsPath.c_str());
    if (!software.empty())
        text += "\n\n" + software;
    ShowApplicationBox(text, icon);
}

} // namespace

CInstallSoftwareDlg::CInstallSoftwareDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CInstallSoftwareDlg>()),
      engine_(std::make_unique<InstallEngine>(AppConfig))
{
    ui_->setupUi(this);
    // The engine's failures come before the row's own result box, each in its own box: the
    // catalogue's in the program's box, a file that could not be opened in the system's.
    connect(engine_.get(), &InstallEngine::Failed, this, [](const ErrorReport& report) {
        if (!report.literal.empty())
            ShowSystemBox(report.literalTitle, report.literal, BoxIcon::Error);
        else
            ShowMessageText(AppConfig.textsPath.c_str(), ReportTitle(report, AppConfig).c_str(),
                            ReportText(report, AppConfig).c_str(), kStyleError, 0);
    });
    setProperty("helpId", kInstallSoftwareHelpId); // F1 anywhere in the dialog
    SetTexts();

    connect(ui_->folderTree, &QTreeWidget::currentItemChanged, this,
            &CInstallSoftwareDlg::OnTreeSelectionChanged);
    connect(ui_->pathEdit, &QLineEdit::textEdited, this, &CInstallSoftwareDlg::OnPathEdited);
    connect(ui_->descriptionList, &QTreeWidget::itemSelectionChanged, this, [this] {
        ui_->installButton->setEnabled(!ui_->descriptionList->selectedItems().isEmpty());
    });
    connect(ui_->installButton, &QPushButton::clicked, this, [this] { InstallChosen(); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->helpButton, &QPushButton::clicked, this,
            [] { RequestHelp(kInstallSoftwareHelpId); });
    ui_->folderTree->installEventFilter(this);

    const std::string folder = InstallFolder();
    // The tree moves through every level of the folder on the way; the listing follows once.
    followingEdit_ = true;
    ui_->folderTree->Initialise(folder.c_str());
    followingEdit_ = false;
    ui_->pathEdit->setText(QString::fromStdString(folder_));
    SizeColumns();
    ScanFolder();
}

CInstallSoftwareDlg::~CInstallSoftwareDlg()
{
    SaveFolder();
}

void CInstallSoftwareDlg::SetTexts()
{
    setWindowTitle(UiText(kInstallSoftwareSection, 1));
    ui_->instructionEdit->setPlainText(UiText(kInstallSoftwareSection, 22));
    ui_->closeButton->setText(UiText(kInstallSoftwareSection, 15));
    ui_->installButton->setText(UiText(kInstallSoftwareSection, 16));
    ui_->helpButton->setText(UiText(kUpdateDialogSection, 4));
    ui_->descriptionList->setHeaderLabels(
        {UiText(kInstallSoftwareSection, 21), UiText(kInstallSoftwareSection, 2)});
    ui_->installButton->setEnabled(false);
}

void CInstallSoftwareDlg::SizeColumns()
{
    int width = ui_->descriptionList->viewport()->width();
    ui_->descriptionList->setColumnWidth(0, width / 2);
    ui_->descriptionList->setColumnWidth(1, width / 2 - 5);
}

void CInstallSoftwareDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    saved_ = false;
    SizeColumns();
}

void CInstallSoftwareDlg::ScanFolder()
{
    WaitCursor wait;
    QTreeWidget* list = ui_->descriptionList;
    list->clear();
    descriptions_.RemoveAll();
    if (folder_.empty())
        return;

    const QStringList files =
        QDir(QString::fromStdString(folder_))
            .entryList({QStringLiteral("*.") + QLatin1String(kDescriptionExtension)}, QDir::Files,
                       QDir::Name | QDir::IgnoreCase);
    for (const QString& name : files) {
        std::string path = InFolder(folder_, name.toStdString());
        std::string fileName = name.toStdString();
        auto* row = new QTreeWidgetItem(list);
        row->setText(0, QString::fromStdString(
                            ReadDescription(path, kVehiclesSection, "car", fileName, 300)));
        row->setText(1,
                     QString::fromStdString(ReadDescription(path, "ECU", "name", fileName, 300)));
        descriptions_.AddTail(path.c_str());
    }
    if (list->topLevelItemCount() > 0) {
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(0));
    }
    ui_->installButton->setEnabled(!list->selectedItems().isEmpty());
}

void CInstallSoftwareDlg::OnTreeSelectionChanged()
{
    int item = CFolderTree::ItemNumber(ui_->folderTree->currentItem());
    if (item < 0)
        return;
    folder_ = ui_->folderTree->GetPath(item);
    // While the tree follows a typed path, the text stays the user's and the listing waits for
    // the tree to stop.
    if (followingEdit_)
        return;
    ui_->pathEdit->setText(QString::fromStdString(folder_));
    ScanFolder();
}

void CInstallSoftwareDlg::OnPathEdited(const QString& text)
{
    std::string before = folder_;
    followingEdit_ = true;
    bool accepted = ui_->folderTree->SelectPath(text.toStdString().c_str());
    followingEdit_ = false;
    if (accepted) {
        ui_->pathEdit->setText(QString::fromStdString(folder_));
        ui_->pathEdit->end(false);
    }
    if (folder_ != before)
        ScanFolder();
}

bool CInstallSoftwareDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->folderTree && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert) {
            WaitCursor wait;
            InstallChosen();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int CInstallSoftwareDlg::InstallChosen()
{
    std::vector<int> rows;
    QTreeWidget* list = ui_->descriptionList;
    for (QTreeWidgetItem* item : list->selectedItems())
        rows.push_back(list->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());

    int installed = 0;
    for (int row : rows)
        if (InstallRow(row))
            ++installed;
    if (installed == 0)
        ShowResult(kNothingInstalledText, BoxIcon::Error);
    return installed;
}

bool CInstallSoftwareDlg::InstallRow(int row)
{
    const std::string description = descriptions_.GetAt(row);
    const bool installed = engine_->Install(description);
    // The row as the list shows it (vehicle and ECU), and the software file it names.
    const QTreeWidgetItem* item = ui_->descriptionList->topLevelItem(row);
    std::string software =
        item ? (item->text(0) + QStringLiteral(" \u2013 ") + item->text(1)).toStdString() : "";
    const std::string file = ReadDescription(description, "ECU", "ecu", "", 100);
    if (!file.empty())
        software += " (" + file + ")";
    ShowResult(installed ? int(ErrorText::kInstalled) : int(ErrorText::kInstallFailed),
               installed ? BoxIcon::Information : BoxIcon::Error, software);
    return installed;
}

void CInstallSoftwareDlg::SaveFolder()
{
    if (saved_)
        return;
    saved_ = true;
    SaveInstallFolder(folder_);
}

void CInstallSoftwareDlg::done(int result)
{
    SaveFolder();
    QDialog::done(result);
}
