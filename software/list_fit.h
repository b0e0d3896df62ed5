// Widths that let item views show their texts whole, a grid of views sized to them within the
// screen, and tooltips that show a text its view had to cut.
#pragma once

#include <QList>
#include <QString>

class QAbstractItemView;
class QGridLayout;
class QWidget;

// The width a row of `view` needs to show `text` whole, with the view's icon before it when
// `withIcon`, without the view's frame.
int RowTextWidth(const QAbstractItemView* view, const QString& text, bool withIcon);

// The width `view` needs to show its present rows and header whole: the widest row of each
// column, the frame and room for a vertical scroll bar.
int ViewContentWidth(const QAbstractItemView* view);

// The width the frame and a vertical scroll bar take from `view`.
int ViewFrameWidth(const QAbstractItemView* view);

// Shares the width of `grid`'s columns in proportion to `needs` (one a column) and widens
// `window` until every column can have its need, never beyond the window's screen; a window
// already shown keeps its centre. A window wide enough already keeps its size.
void FitGridColumns(QWidget* window, QGridLayout* grid, const QList<int>& needs);

// Shows a row's whole text as its tooltip when the view shows only part of it; rows with a
// tooltip of their own keep it.
void ShowCutTextsInTooltips(QAbstractItemView* view);
