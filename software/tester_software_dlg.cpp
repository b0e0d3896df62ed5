// The tester software update dialog: shows the engine's state and forwards the user's choices.
#include "software/tester_software_dlg.h"

#include "ui_tester_software_dlg.h"

#include "core/app_config.h"
#include "core/help_request.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "software/install_software_dlg.h"
#include "software/list_fit.h"
#include "core/plain_box.h"
#include "software/tester_software_names.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kConfirmText = 10;
constexpr int kSelectionRowText = 30; // "%s (%s)": ECU name, vehicle
constexpr int kStartDelayMs = 1; // the design's start-up timer 4
constexpr int kYes = 6;

// Files of an older download procedure that nothing writes any more.
constexpr const char* kLeftovers[] = {"SCARICO.INI", "FILES_SCARICO.$$$"};

std::string ErrorTitle()
{
    return TextOr(AppConfig.Text(kErrorSection, ErrorText::kTitle), kTitleMissing);
}

// `text` with every line of more than 40 characters cut in its middle: the box shows at most
// 399 bytes, and a long name or path must not push the rest of the message out of it.
std::string ElideLines(const std::string& text)
{
    constexpr int kLine = 40;
    QStringList lines = QString::fromStdString(text).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.size() > kLine)
            line = line.left(kLine / 2 - 1) + QChar(0x2026) + line.right(kLine / 2);
    return lines.join(QLatin1Char('\n')).toStdString();
}

} // namespace

// The pictures live in a static library, so their resources are registered by hand (from the
// global namespace, as the resource macro requires).
static QPixmap Picture(const char* name)
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(tester_software_pictures);
        return true;
    }();
    (void)registered;
    return QPixmap(QStringLiteral(":/software/%1.png").arg(QLatin1String(name)));
}

CTesterSoftwareDlg::CTesterSoftwareDlg(RequestLink& link, CopyRunner runCopy,
                                       QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CTesterSoftwareDlg>()),
      engine_(link, AppConfig), boxes_(AppConfig), runCopy_(std::move(runCopy)),
      runInstall_([](QWidget* owner) {
          CInstallSoftwareDlg dlg(owner);
          dlg.exec();
      })
{
    ui_->setupUi(this);
    setProperty("helpId", kTesterSoftwareHelpId); // F1 anywhere in the dialog
    ui_->vehicleList->setIconSize(QSize(70, 19));
    ui_->ecuList->setIconSize(QSize(30, 22));
    ui_->ecuList->viewport()->installEventFilter(this);
    for (QAbstractItemView* list : std::initializer_list<QAbstractItemView*>{
             ui_->vehicleList, ui_->ecuList, ui_->selectionList, ui_->testerList})
        ShowCutTextsInTooltips(list);
    // The selection and the tester's software change while the dialog is open; the lists follow
    // once the change is complete.
    for (QAbstractItemView* list :
         std::initializer_list<QAbstractItemView*>{ui_->selectionList, ui_->testerList}) {
        const auto later = [this] {
            if (!fitPending_)
                QTimer::singleShot(0, this, &CTesterSoftwareDlg::FitLists);
            fitPending_ = true;
        };
        connect(list->model(), &QAbstractItemModel::rowsInserted, this, later);
        connect(list->model(), &QAbstractItemModel::modelReset, this, later);
        connect(list->model(), &QAbstractItemModel::dataChanged, this, later);
    }

    connect(ui_->vehicleList, &QTreeWidget::itemSelectionChanged, this,
            &CTesterSoftwareDlg::OnVehicleChanged);
    connect(ui_->ecuList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { AddEcuRow(item); });
    connect(ui_->removeButton, &QPushButton::clicked, this,
            &CTesterSoftwareDlg::RemoveFromSelection);
    connect(ui_->downloadButton, &QPushButton::clicked, this, [this] { engine_.Download(); });
    connect(ui_->deleteButton, &QPushButton::clicked, this, &CTesterSoftwareDlg::DeleteFromTester);
    connect(ui_->refreshButton, &QPushButton::clicked, this, [this] { engine_.StartListing(); });
    connect(ui_->installButton, &QPushButton::clicked, this, &CTesterSoftwareDlg::Install);
    connect(ui_->helpButton, &QPushButton::clicked, this,
            [] { RequestHelp(kTesterSoftwareHelpId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, [this] { done(1); });

    connect(&engine_, &TesterSoftwareEngine::ListingStarted, this, [this] {
        ui_->testerList->clear();
        ui_->entryCount->setText(QStringLiteral("--"));
    });
    connect(&engine_, &TesterSoftwareEngine::RowAdded, this, [this](int row) {
        // The tester's names are shown with their control bytes written out.
        const QString text =
            QString::fromStdString(EscapeName(engine_.Table().Rows()[std::size_t(row)].text));
        auto* item = new QListWidgetItem(text, ui_->testerList);
        item->setToolTip(text);
    });
    connect(&engine_, &TesterSoftwareEngine::ListingFinished, this, [this](int entries) {
        ui_->entryCount->setText(QString::number(entries));
    });
    connect(&engine_, &TesterSoftwareEngine::StateChanged, this, [this] {
        ShowSelection();
        UpdateControls();
    });
    // Boxes and the copy dialog run from the event loop, not inside the engine's own calls.
    connect(&engine_, &TesterSoftwareEngine::Failed, this, &CTesterSoftwareDlg::ShowFailure);
    connect(&engine_, &TesterSoftwareEngine::ConflictQuestion, this,
            [this](const std::string& question) {
                QTimer::singleShot(0, this, [this, question] { AskConflict(question); });
            });
    connect(&engine_, &TesterSoftwareEngine::CopyRequested, this,
            [this](const std::vector<TesterSoftwareEngine::CopyItem>& queue) {
                QTimer::singleShot(0, this, [this, queue] { RunCopy(queue); });
            });

    Open();
}

CTesterSoftwareDlg::~CTesterSoftwareDlg()
{
    engine_.Stop();
    // The lists empty their models as they go, after this part of the dialog is gone.
    ui_->selectionList->model()->disconnect(this);
    ui_->testerList->model()->disconnect(this);
}

void CTesterSoftwareDlg::Open()
{
    LoadVehicleCatalogue();
    SetTexts();
    ui_->entryCount->setText(QStringLiteral("--"));
    FillVehicles();
    ui_->ecuList->clear();
    engine_.ClearSelection();
    for (const char* name : kLeftovers)
        QFile::remove(QString::fromStdString(JoinPath(AppConfig.workDir, name)));
    UpdateControls();
    MeasureCatalogueNames();
    FitLists();
    QTimer::singleShot(kStartDelayMs, this, [this] {
        if (!closing_)
            engine_.StartListing();
    });
}

void CTesterSoftwareDlg::SetTexts()
{
    auto text = [](int number) { return UiText(kTesterSoftwareSection, number); };
    setWindowTitle(text(1));
    ui_->downloadButton->setText(text(2));
    ui_->closeButton->setText(text(3));
    ui_->helpButton->setText(text(4));
    ui_->vehicleCaption->setText(text(5));
    ui_->ecuCaption->setText(text(6));
    ui_->testerCaption->setText(text(7));
    ui_->selectionCaption->setText(text(12));
    ui_->refreshButton->setText(text(13));
    ui_->removeButton->setText(text(17));
    ui_->deleteButton->setText(text(17));
    ui_->installButton->setText(text(18));
    ui_->vehicleList->setHeaderLabels({text(8)});
    ui_->ecuList->setHeaderLabels({text(9)});
}

void CTesterSoftwareDlg::FillVehicles()
{
    QTreeWidget* list = ui_->vehicleList;
    const QSignalBlocker block(list);
    list->clear();
    const QPixmap icon = Picture("vehicle_209");
    const int count = std::clamp(VehicleCatalogue.vehicleCount, 0, kMaxVehicles);
    for (int v = 0; v < count; ++v) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, QString::fromStdString(VehicleCatalogue.vehicles[std::size_t(v)].name));
        item->setToolTip(0, item->text(0)); // the list may be too narrow for the whole name
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, v);
    }
    list->clearSelection();
    list->setCurrentItem(nullptr);
}

void CTesterSoftwareDlg::OnVehicleChanged()
{
    if (closing_)
        return;
    const QList<QTreeWidgetItem*> chosen = ui_->vehicleList->selectedItems();
    if (chosen.isEmpty())
        return;
    const int v = chosen.first()->data(0, Qt::UserRole).toInt();
    const VehicleEntry& vehicle = VehicleCatalogue.vehicles[std::size_t(v)];
    QTreeWidget* list = ui_->ecuList;
    list->clear();
    const QPixmap icon = Picture("ecu_226");
    const int count = std::clamp(vehicle.ecuCount, 0, kMaxEcus);
    for (int e = 0; e < count; ++e) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, QString::fromStdString(vehicle.ecus[std::size_t(e)].name));
        item->setToolTip(0, item->text(0));
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, v);
        item->setData(0, Qt::UserRole + 1, e);
    }
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(0));
}

void CTesterSoftwareDlg::MeasureCatalogueNames()
{
    // The ECU list is sized for the names of every vehicle, so that it keeps its width as
    // vehicles are chosen; the selection, empty at first, for the same names.
    ecuNamesWidth_ = selectionNamesWidth_ = 0;
    const int vehicles = std::clamp(VehicleCatalogue.vehicleCount, 0, kMaxVehicles);
    for (int v = 0; v < vehicles; ++v) {
        const VehicleEntry& vehicle = VehicleCatalogue.vehicles[std::size_t(v)];
        for (int e = 0; e < std::clamp(vehicle.ecuCount, 0, kMaxEcus); ++e) {
            const QString name = QString::fromStdString(vehicle.ecus[std::size_t(e)].name);
            ecuNamesWidth_ = std::max(ecuNamesWidth_, RowTextWidth(ui_->ecuList, name, true));
            selectionNamesWidth_ =
                std::max(selectionNamesWidth_, RowTextWidth(ui_->selectionList, name, false));
        }
    }
    fittedNeeds_.clear();
}

void CTesterSoftwareDlg::FitLists()
{
    fitPending_ = false;
    if (closing_)
        return;
    const QList<int> needs = {
        ViewContentWidth(ui_->vehicleList),
        std::max(ViewContentWidth(ui_->ecuList), ecuNamesWidth_ + ViewFrameWidth(ui_->ecuList)),
        std::max(ViewContentWidth(ui_->selectionList),
                 selectionNamesWidth_ + ViewFrameWidth(ui_->selectionList)),
        ViewContentWidth(ui_->testerList)};
    // Unchanged needs leave the dialog as the user may have sized it.
    if (needs == fittedNeeds_)
        return;
    fittedNeeds_ = needs;
    FitGridColumns(this, ui_->listsLayout, needs);
}

void CTesterSoftwareDlg::AddEcuRow(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const int v = item->data(0, Qt::UserRole).toInt();
    const int e = item->data(0, Qt::UserRole + 1).toInt();
    if (v < 0 || v >= kMaxVehicles || e < 0 || e >= kMaxEcus)
        return;
    const VehicleEntry& vehicle = VehicleCatalogue.vehicles[std::size_t(v)];
    const EcuEntry& ecu = vehicle.ecus[std::size_t(e)];
    if (engine_.AddToSelection(ecu, {}, vehicle.name) != TesterSoftwareEngine::AddResult::Duplicate)
        return;
    // Already chosen, perhaps from another vehicle: show where.
    const std::vector<TesterSoftwareEngine::SelectionSlot>& chosen = engine_.Selection();
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i].ecu.fileName == ecu.fileName && int(i) < ui_->selectionList->count()) {
            ui_->selectionList->clearSelection();
            ui_->selectionList->setCurrentRow(int(i));
            ui_->selectionList->scrollToItem(ui_->selectionList->item(int(i)));
        }
}

void CTesterSoftwareDlg::ShowSelection()
{
    // Each ECU with its vehicle: ECUs of one name from two vehicles are told apart.
    const std::string format =
        GetText(kTesterSoftwareSection, kSelectionRowText, AppConfig.textsPath.c_str());
    QStringList names, files;
    for (const TesterSoftwareEngine::SelectionSlot& slot : engine_.Selection()) {
        std::string row = slot.ecu.name;
        if (!slot.vehicle.empty() && format != kTextNotFound)
            row = FillText(format, {slot.ecu.name, slot.vehicle});
        names << QString::fromStdString(row);
        files << QString::fromStdString(slot.ecu.fileName);
    }
    QListWidget* list = ui_->selectionList;
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    if (shown == names)
        return;
    list->clear();
    list->addItems(names);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setToolTip(names[i] + "\n" + files[i]);
}

void CTesterSoftwareDlg::UpdateControls()
{
    const bool free = engine_.ControlsEnabled();
    const bool chosen = !engine_.Selection().empty();
    ui_->refreshButton->setEnabled(free);
    ui_->deleteButton->setEnabled(free);
    ui_->testerList->setEnabled(free);
    ui_->downloadButton->setEnabled(free && chosen);
    ui_->removeButton->setEnabled(free && chosen);
}

bool CTesterSoftwareDlg::Confirm()
{
    return ShowMessage(AppConfig.textsPath.c_str(), kErrorSection, ErrorText::kTitle, kTesterSoftwareSection,
                       kConfirmText, kStyleQuestion, 0) == kYes;
}

void CTesterSoftwareDlg::RemoveFromSelection()
{
    std::vector<int> rows;
    for (QListWidgetItem* item : ui_->selectionList->selectedItems())
        rows.push_back(ui_->selectionList->row(item));
    if (rows.empty() || !Confirm())
        return;
    engine_.RemoveFromSelection(rows);
}

void CTesterSoftwareDlg::DeleteFromTester()
{
    std::vector<int> rows;
    for (QListWidgetItem* item : ui_->testerList->selectedItems())
        rows.push_back(ui_->testerList->row(item));
    // A name the tester reported unusable is refused before the question.
    if (rows.empty() || !engine_.CheckRowsDeletable(rows) || !Confirm())
        return;
    engine_.DeleteRows(rows);
}

void CTesterSoftwareDlg::Install()
{
    runInstall_(this);
    if (!closing_)
        Open();
}

void CTesterSoftwareDlg::ShowFailure(const ErrorReport& report)
{
    ErrorReport shown = report;
    shown.appended = ElideLines(report.appended);
    shownIn_->Show(shown);
    if (report.ends)
        done(1);
}

void CTesterSoftwareDlg::AskConflict(const std::string& question)
{
    if (closing_)
        return;
    const int answer = ShowMessageText(AppConfig.textsPath.c_str(), ErrorTitle().c_str(),
                                       question.c_str(), kStyleQuestion, 0);
    if (!closing_)
        engine_.AnswerConflict(answer == kYes);
}

void CTesterSoftwareDlg::RunCopy(const std::vector<TesterSoftwareEngine::CopyItem>& queue)
{
    if (closing_)
        return;
    const int sent = runCopy_ ? runCopy_(this, queue) : 0;
    if (!closing_)
        engine_.CopyFinished(sent);
}

bool CTesterSoftwareDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ui_->ecuList->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            dragRow_ = ui_->ecuList->indexOfTopLevelItem(
                ui_->ecuList->itemAt(mouse->position().toPoint()));
            dragStart_ = mouse->position().toPoint();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!dragging_ && dragRow_ >= 0 && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - dragStart_).manhattanLength() >=
                QApplication::startDragDistance()) {
            dragging_ = true;
            ui_->ecuList->setCurrentItem(ui_->ecuList->topLevelItem(dragRow_));
            QApplication::setOverrideCursor(QCursor(Picture("drag_316"), 0, 0));
        }
        if (dragging_)
            return true; // the list must not start a selection drag of its own
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_ && mouse->button() == Qt::LeftButton) {
            EndDrag(mouse->globalPosition().toPoint());
            return true;
        }
        dragRow_ = -1;
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CTesterSoftwareDlg::EndDrag(const QPoint& globalPos)
{
    QApplication::restoreOverrideCursor();
    dragging_ = false;
    QTreeWidgetItem* item = ui_->ecuList->topLevelItem(dragRow_);
    dragRow_ = -1;
    // The drop counts only when released over the selection list.
    QListWidget* target = ui_->selectionList;
    if (target->rect().contains(target->mapFromGlobal(globalPos)))
        AddEcuRow(item);
}

void CTesterSoftwareDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    done(1);
}

void CTesterSoftwareDlg::done(int)
{
    if (dragging_) {
        QApplication::restoreOverrideCursor();
        dragging_ = false;
    }
    closing_ = true;
    engine_.Stop();
    QDialog::done(1);
}
