// The information dialog.
#include "app/info_dlg.h"

#include "app/app_constants.h"
#include "app/pictures.h"
#include "controls/common/kro_host.h"
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "platform/profile.h"
#include "ui_info_dlg.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>

#include <vector>

namespace {

constexpr const char* kSection = "DIALOGO_INFORMAZIONI";
// Class id of the heading's label control.
constexpr const char* kLabelClassId = "{3A7ECCC5-1227-11D4-B319-0000B45078DC}";
// A cell is saved with at most this many characters (not bytes: a Greek text takes two bytes a
// letter and would lose half its length).
constexpr int kCellChars = 49;
constexpr int kColumnWidths[3] = {200, 100, 80};

// The width a header section needs to show `text` whole.
int HeaderTextWidth(const QHeaderView* header, const QString& text)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return header->fontMetrics().horizontalAdvance(text) + 2 * margin;
}

// clang-format off
const unsigned char kHeadingInit[] = {
    0x00, 0x00, 0x00, 0x00, // 32-bit zero before the stream
    0x00, 0x00, 0x01, 0x00, // version 0x00010000
    0xA5, 0x2F, 0x00, 0x00, 0xE5, 0x02, 0x00, 0x00, // extent 12197 x 741
    0x02, 0x00, 0x00, 0x00, // stock properties: caption only
    0x28, 0x20, 0x54, 0x45, 0x53, 0x54, 0x45, 0x52, 0x20, 0x56, 0x45, 0x4C, 0x41, 0x4E, // Caption
    0x54, 0x4F, 0x20, 0x44, 0x6F, 0x7A, 0x6F, 0x7A, 0x6F, 0x76, 0x69, 0x72, 0x20, 0x41,
    0x76, 0x75, 0x72, 0x65, 0x7A, 0x20, 0x45, 0x72, 0x65, 0x7A, 0x65, 0x76, 0x6F,
    0x28, 0x20, 0x54, 0x45, 0x53, 0x54, 0x45, 0x52, 0x20, 0x56, 0x45, 0x4C, 0x41, 0x4E, // TestoContenuto
    0x54, 0x4F, 0x20, 0x44, 0x6F, 0x7A, 0x6F, 0x7A, 0x6F, 0x76, 0x69, 0x72, 0x20, 0x41,
    0x76, 0x75, 0x72, 0x65, 0x7A, 0x20, 0x45, 0x72, 0x65, 0x7A, 0x65, 0x76, 0x6F,
    0x00, 0x00, 0x01, 0x00, // AllOrizzontaleTesto 0, AllVerticaleTesto 1
    0x01, // Bordo
    0x00, 0x00, 0x00, 0x00, // ColoreBordo
    0x02, 0x00, // StileSfondo 2
    0xFF, 0xFF, 0xFF, 0x00, // ColoreOpacoSfondo
    0x01, // OrientamentoGrad
    0xFF, 0xFF, 0xFF, 0x00, 0xAC, 0xE2, 0xF8, 0x00, 0x6C, 0x6C, 0x6C, 0x00, // ColoreGradiente1, 2, 3
    0x05, 0x41, 0x72, 0x69, 0x61, 0x6C, // FontName
    0x10, 0x00, 0x00, 0x00, // DimensioneFont 16
    0x00, 0x00, 0x00, 0x00, // ColoreTesto
    0x01, 0x00, 0x00, // Italico, Sottolineato, Barrato
    0x06, 0x03, 0x00, 0x00, // Bold 774
    0x03, 0x00, 0x00, 0x00, // EffettoContorno 3, EffettoTesto 0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // 9 bytes the label does not read
};
// clang-format on
static_assert(sizeof kHeadingInit == 164);

} // namespace

QByteArray HeadingInitData()
{
    return QByteArray(reinterpret_cast<const char*>(kHeadingInit), sizeof kHeadingInit);
}

CInfoDlg::CInfoDlg(QWidget* parent, LinkTexts link) : QDialog(parent), ui_(new Ui::CInfoDlg)
{
    ui_->setupUi(this);
    setProperty("helpId", helpid::Information);
    ui_->icon->setPixmap(
        LoadPicture("toolbar_57664").scaled(32, 32, Qt::KeepAspectRatio, Qt::FastTransformation));
    CreateHeading();

    auto text = [](int number) { return UiText(kSection, number); };
    QTreeWidget* table = ui_->table;
    table->setHeaderLabels({text(9), text(10), text(11)});
    table->header()->setStretchLastSection(false);
    for (int c = 0; c < 3; ++c)
        table->setColumnWidth(c, kColumnWidths[c]);
    table->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    setWindowTitle(text(1));
    ui_->caption->setText(text(13));
    ui_->buttonContinue->setText(text(2));
    ui_->buttonHelp->setText(text(16));
    ui_->buttonPrint->setText(text(15));

    new QTreeWidgetItem(table, {text(3), kProgramVersion, kProgramDate});
    // The library's date is asked for before its version.
    const std::string date = link.date ? link.date() : std::string();
    const std::string version = link.version ? link.version() : std::string();
    new QTreeWidgetItem(table,
                        {text(4), QString::fromStdString(version), QString::fromStdString(date)});

    // A column the user widens may uncut its texts.
    connect(table->header(), &QHeaderView::sectionResized, this, &CInfoDlg::UpdateTips);
    connect(ui_->buttonPrint, &QPushButton::clicked, this, &CInfoDlg::OnPrint);
    connect(ui_->buttonHelp, &QPushButton::clicked, this, [] { RequestHelp(helpid::Information); });
    connect(ui_->buttonContinue, &QPushButton::clicked, this, [this] { done(1); });
}

CInfoDlg::~CInfoDlg() = default;

void CInfoDlg::reject()
{
    done(1);
}

void CInfoDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FitColumns();
}

void CInfoDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FitColumns();
}

void CInfoDlg::FitColumns()
{
    QTreeWidget* table = ui_->table;
    int need = HeaderTextWidth(table->header(), table->headerItem()->text(2));
    for (int row = 0; row < table->topLevelItemCount(); ++row)
        need = std::max(need, table->sizeHintForIndex(table->model()->index(row, 2)).width());
    const int room = table->viewport()->width() - kColumnWidths[0] - kColumnWidths[1];
    table->setColumnWidth(2, std::max(kColumnWidths[2], std::min(need, room)));
    UpdateTips();
}

void CInfoDlg::UpdateTips()
{
    QTreeWidget* table = ui_->table;
    QTreeWidgetItem* header = table->headerItem();
    for (int c = 0; c < 3; ++c) {
        const bool cut = HeaderTextWidth(table->header(), header->text(c)) > table->columnWidth(c);
        header->setToolTip(c, cut ? header->text(c) : QString());
        for (int row = 0; row < table->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = table->topLevelItem(row);
            const QModelIndex index = table->model()->index(row, c);
            const bool cellCut = table->sizeHintForIndex(index).width() > table->columnWidth(c);
            item->setToolTip(c, cellCut ? item->text(c) : QString());
        }
    }
}

void CInfoDlg::CreateHeading()
{
    // Without the label library registered there is no heading: its frame stays empty at its
    // size and the dialog opens all the same.
    heading_ = CreateControlByClassId(QString::fromLatin1(kLabelClassId), ui_->heading);
    if (!heading_)
        return;
    heading_->setObjectName("headingLabel");
    LoadControlFromDialogInit(heading_, HeadingInitData());
    ui_->heading->layout()->addWidget(heading_);
}

void CInfoDlg::OnPrint()
{
    std::vector<std::string> cells;
    QTreeWidget* table = ui_->table;
    for (int row = 0; row < table->topLevelItemCount(); ++row)
        for (int column = 0; column < 3; ++column)
            cells.push_back(table->topLevelItem(row)->text(column).left(kCellChars).toStdString());
    // A failed write is not reported: the report prints the last complete print's cells.
    WriteReportCells(JoinPath(AppConfig.workDir, kReportFileName), cells);
    report_.Print(this);
    activateWindow();
    raise();
}

CInfoDlg::LinkTexts LinkTextsOf(LinkSession* session)
{
    LinkApi* api = session ? session->Api() : nullptr;
    if (!api)
        return {};
    return {[api] { return api->Date(); }, [api] { return api->Version(); }};
}

void ShowInfoDialog(QWidget* parent, LinkSession* session)
{
    CInfoDlg dlg(parent, LinkTextsOf(session));
    dlg.exec();
}
