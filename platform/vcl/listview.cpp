#include "platform/vcl/listview.h"

#include "platform/system/sysutils.h"
#include "platform/vcl/imagelist.h"

#include <QHeaderView>
#include <QIcon>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

namespace {

[[noreturn]] void OutOfBounds(int index) {
    throw EInvalidOperation(sys::Format(QStringLiteral("List index out of bounds (%d)"), {index}));
}

}  // namespace

// ---- columns -------------------------------------------------------------------

void TListColumn::SetCaption(const QString& caption) {
    caption_ = caption;
    view_->ApplyColumns();
}

void TListColumn::SetWidth(int width) {
    width_ = std::max(width, 0);
    view_->ApplyColumns();
}

TListColumn* TListColumns::Add() {
    columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(view_, Count())));
    view_->ApplyColumns();
    return columns_.back().get();
}

TListColumn* TListColumns::Items(int index) const {
    if (index < 0 || index >= Count()) OutOfBounds(index);
    return columns_[static_cast<size_t>(index)].get();
}

// ---- rows ----------------------------------------------------------------------

int TListSubItems::Add(const QString& text) {
    texts_.append(text);
    item_->ShowTexts();
    return Count() - 1;
}

QString TListSubItems::Strings(int index) const {
    if (index < 0 || index >= Count()) OutOfBounds(index);
    return texts_[index];
}

void TListSubItems::SetString(int index, const QString& text) {
    if (index < 0 || index >= Count()) OutOfBounds(index);
    texts_[index] = text;
    item_->ShowTexts();
}

void TListSubItems::Clear() {
    texts_.clear();
    item_->ShowTexts();
}

QString TListItem::Caption() const { return row_->text(0); }

void TListItem::SetCaption(const QString& caption) { row_->setText(0, caption); }

void TListItem::ShowTexts() {
    // Column 0 is the caption; sub-item i shows in column i + 1.
    const int columns = std::max(view_->Tree()->columnCount(), 1);
    for (int c = 1; c < columns; ++c)
        row_->setText(c, c - 1 < subItems_.Count() ? subItems_.texts_[c - 1] : QString());
}

void TListItem::SetImageIndex(int index) {
    imageIndex_ = index;
    ShowImage();
}

void TListItem::ShowImage() {
    const TImageList* images = view_->SmallImages();
    const QPixmap pixmap = images ? images->Pixmap(imageIndex_) : QPixmap();
    row_->setIcon(0, pixmap.isNull() ? QIcon() : QIcon(pixmap));
}

int TListItem::Index() const { return view_->Tree()->indexOfTopLevelItem(row_); }

bool TListItem::Selected() const { return row_->isSelected(); }

void TListItem::SetSelected(bool selected) { row_->setSelected(selected); }

TListItem* TListItems::Add() {
    auto* row = new QTreeWidgetItem(view_->Tree());
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!view_->ReadOnly()) flags |= Qt::ItemIsEditable;
    row->setFlags(flags);
    items_.push_back(std::unique_ptr<TListItem>(new TListItem(view_, row)));
    TListItem* item = items_.back().get();
    item->ShowTexts();
    return item;
}

TListItem* TListItems::Item(int index) const {
    if (index < 0 || index >= Count()) OutOfBounds(index);
    return items_[static_cast<size_t>(index)].get();
}

void TListItems::Clear() {
    items_.clear();
    view_->Tree()->clear();
}

// ---- TListView -----------------------------------------------------------------

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner, new QTreeWidget) {
    QTreeWidget* tree = Tree();
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->setUniformRowHeights(true);
    tree->setSortingEnabled(false);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setAllColumnsShowFocus(false);
    tree->setIconSize(QSize(16, 16));
    tree->header()->setSectionsMovable(false);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(tree, &QTreeWidget::itemChanged, this,
                     [this](QTreeWidgetItem* row, int column) { CaptionEdited(row, column); });
    ApplyStyle();
    ApplyColumns();
}

TListView::~TListView() {
    // The rows' wrappers go before the widget that holds their tree items.
    items_.items_.clear();
}

QTreeWidget* TListView::Tree() const { return static_cast<QTreeWidget*>(Widget()); }

void TListView::SetViewStyle(TViewStyle style) {
    viewStyle_ = style;
    ApplyStyle();
    ApplyColumns();
}

void TListView::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    for (const auto& item : items_.items_) {
        Qt::ItemFlags flags = item->row_->flags();
        item->row_->setFlags(readOnly ? flags & ~Qt::ItemIsEditable : flags | Qt::ItemIsEditable);
    }
    ApplyStyle();
}

void TListView::SetRowSelect(bool rowSelect) {
    rowSelect_ = rowSelect;
    ApplyStyle();
}

void TListView::SetSmallImages(TImageList* images) {
    if (smallImages_.Set(images, &TImageList::Changed, this, &TListView::ApplyImages)) ApplyImages();
}

TListItem* TListView::Selected() const {
    for (const auto& item : items_.items_)
        if (item->Selected()) return item.get();
    return nullptr;
}

int TListView::ColumnFitWidth(int index) const {
    QTreeWidget* tree = Tree();
    if (!tree || index < 0 || index >= tree->columnCount()) return 0;
    const int header = tree->isHeaderHidden() ? 0 : tree->header()->sectionSizeHint(index);
    // The view's own measure of its rows (public only through the base class).
    return std::max(header, static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(index));
}

int TListView::NonColumnWidth() const {
    const QTreeWidget* tree = Tree();
    if (!tree) return 0;
    return 2 * tree->frameWidth() + tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree);
}

void TListView::ApplyStyle() {
    QTreeWidget* tree = Tree();
    if (!tree) return;
    tree->setHeaderHidden(viewStyle_ != vsReport);
    tree->setSelectionBehavior(rowSelect_ ? QAbstractItemView::SelectRows
                                          : QAbstractItemView::SelectItems);
    tree->setAllColumnsShowFocus(rowSelect_);
    // Only the caption is edited, by F2 or a second click on a selected row.
    tree->setEditTriggers(readOnly_ ? QAbstractItemView::NoEditTriggers
                                    : QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::SelectedClicked);
}

void TListView::ApplyColumns() {
    QTreeWidget* tree = Tree();
    if (!tree) return;
    const bool report = viewStyle_ == vsReport;
    const int count = report ? std::max(columns_.Count(), 1) : 1;
    tree->setColumnCount(count);
    QStringList captions;
    for (int i = 0; i < count; ++i)
        captions << (i < columns_.Count() ? columns_.Items(i)->Caption() : QString());
    tree->setHeaderLabels(captions);
    if (report)
        for (int i = 0; i < columns_.Count(); ++i) tree->setColumnWidth(i, columns_.Items(i)->Width());
    for (const auto& item : items_.items_) item->ShowTexts();
}

void TListView::ApplyImages() {
    const TImageList* images = SmallImages();
    if (Tree() && images) Tree()->setIconSize(QSize(images->Width(), images->Height()));
    for (const auto& item : items_.items_) item->ShowImage();
}

void TListView::CaptionEdited(QTreeWidgetItem* row, int column) {
    // A sub-item's column is only ever changed by the program; keep the stored text.
    if (column == 0) return;
    for (const auto& item : items_.items_)
        if (item->row_ == row) {
            const int sub = column - 1;
            if (sub < item->subItems_.Count() && row->text(column) != item->subItems_.Strings(sub)) {
                const QSignalBlocker block(Tree());
                row->setText(column, item->subItems_.Strings(sub));
            }
            return;
        }
}
