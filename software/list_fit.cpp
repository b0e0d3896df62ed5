// Sizing item views to their texts.
#include "software/list_fit.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QToolTip>
#include <QTreeView>
#include <QWidget>

#include <algorithm>

namespace {

// Shows the whole text of a row its view cuts, for the view it belongs to.
class CutTextTips : public QObject
{
public:
    explicit CutTextTips(QAbstractItemView* view) : QObject(view), view_(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_->indexAt(help->pos());
        if (!index.isValid() || !index.data(Qt::ToolTipRole).toString().isEmpty())
            return false;
        const QRect shown = view_->visualRect(index).intersected(view_->viewport()->rect());
        if (shown.width() >= view_->sizeHintForIndex(index).width()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(),
                           view_->viewport(), shown);
        return true;
    }

private:
    QAbstractItemView* view_;
};

} // namespace

int RowTextWidth(const QAbstractItemView* view, const QString& text, bool withIcon)
{
    // The measure the view's own delegate takes of a row.
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationSize = view->iconSize();
    if (withIcon)
        option.features |= QStyleOptionViewItem::HasDecoration;
    option.widget = view;
    return view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), view).width();
}

int ViewFrameWidth(const QAbstractItemView* view)
{
    return 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
}

int ViewContentWidth(const QAbstractItemView* view)
{
    const QAbstractItemModel* model = view->model();
    const auto* tree = qobject_cast<const QTreeView*>(view);
    int width = 0;
    for (int c = 0; model && c < model->columnCount(); ++c) {
        if (tree && tree->isColumnHidden(c))
            continue;
        int column = 0;
        for (int row = 0; row < model->rowCount(); ++row)
            column = std::max(column, view->sizeHintForIndex(model->index(row, c)).width());
        if (tree && !tree->header()->isHidden())
            column = std::max(column, tree->header()->sectionSizeHint(c));
        width += column;
    }
    return width + ViewFrameWidth(view);
}

void FitGridColumns(QWidget* window, QGridLayout* grid, const QList<int>& needs)
{
    // A column cannot be narrower than what else it holds (buttons, smallest list sizes).
    int total = 0;
    for (int c = 0; c < needs.size(); ++c) {
        int wanted = needs[c];
        for (int row = 0; row < grid->rowCount(); ++row)
            if (QLayoutItem* item = grid->itemAtPosition(row, c)) {
                int r = 0, col = 0, rowSpan = 0, columnSpan = 0;
                grid->getItemPosition(grid->indexOf(item), &r, &col, &rowSpan, &columnSpan);
                if (columnSpan == 1)
                    wanted =
                        std::max({wanted, item->sizeHint().width(), item->minimumSize().width()});
            }
        grid->setColumnStretch(c, std::max(1, wanted));
        total += wanted;
    }
    const QMargins inner = grid->contentsMargins();
    const QMargins outer = window->layout() ? window->layout()->contentsMargins() : QMargins();
    total += grid->horizontalSpacing() * int(std::max<qsizetype>(0, needs.size() - 1)) +
             inner.left() + inner.right() + outer.left() + outer.right();

    QScreen* screen = window->screen();
    if (!screen || total <= window->width())
        return;
    const QRect area = screen->availableGeometry();
    // Before the window manager has framed the window its frame is unknown; a thin border is
    // assumed.
    int frame = window->frameGeometry().width() - window->width();
    if (frame <= 0)
        frame = 8;
    const int width = std::min(total, area.width() - frame);
    if (width <= window->width())
        return;
    if (!window->isVisible()) {
        window->resize(width, window->height());
        return;
    }
    const QRect before = window->frameGeometry();
    window->resize(width, window->height());
    // Grown about its centre, and kept on the screen.
    const int frameWidth = width + frame;
    int left = before.center().x() - frameWidth / 2;
    left = std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - frameWidth));
    window->move(left, before.top());
}

void ShowCutTextsInTooltips(QAbstractItemView* view)
{
    view->viewport()->installEventFilter(new CutTextTips(view));
}
