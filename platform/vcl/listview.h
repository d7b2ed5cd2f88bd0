#pragma once
// TListView: rows of a caption and sub-items under column headers (the report
// style), each row with an image of the SmallImages list at its start. Rows stay in
// the order they were added (no sorting). With RowSelect a click selects the whole
// row; with ReadOnly the captions cannot be edited.
//
//   auto* c = list->Columns()->Add();  c->SetCaption("Tag");  c->SetWidth(150);
//   TListItem* row = list->Items()->Add();
//   row->SetCaption("Flash");  row->SubItems()->Add("Flash fired");  row->SetImageIndex(0);

#include "platform/vcl/changelink.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/imagelist.h"

#include <QStringList>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class TListView;

// Report shows the column headers and every column; the other styles show the
// captions alone, one row each.
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TListColumn {
public:
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    int Width() const { return width_; }
    void SetWidth(int width);
    int Index() const { return index_; }

private:
    friend class TListColumns;
    TListColumn(TListView* view, int index) : view_(view), index_(index) {}
    TListView* view_;
    int index_;
    QString caption_;
    int width_ = 50;
};

class TListColumns {
public:
    // Appends a column (caption empty, width 50).
    TListColumn* Add();
    int Count() const { return static_cast<int>(columns_.size()); }
    // Raises EInvalidOperation "List index out of bounds (%d)" outside 0 .. Count-1.
    TListColumn* Items(int index) const;

private:
    friend class TListView;
    explicit TListColumns(TListView* view) : view_(view) {}
    TListView* view_;
    std::vector<std::unique_ptr<TListColumn>> columns_;
};

class TListItem;

// The texts of a row after its caption, one per column from the second on.
class TListSubItems {
public:
    int Add(const QString& text);
    int Count() const { return static_cast<int>(texts_.size()); }
    // Raises EInvalidOperation "List index out of bounds (%d)" outside 0 .. Count-1.
    QString Strings(int index) const;
    void SetString(int index, const QString& text);
    void Clear();

private:
    friend class TListItem;
    explicit TListSubItems(TListItem* item) : item_(item) {}
    TListItem* item_;
    QStringList texts_;
};

class TListItem {
public:
    QString Caption() const;
    void SetCaption(const QString& caption);
    TListSubItems* SubItems() { return &subItems_; }
    const TListSubItems* SubItems() const { return &subItems_; }
    // The SmallImages image shown at the row's start; -1 shows none.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int Index() const;
    bool Selected() const;
    void SetSelected(bool selected);

private:
    friend class TListItems;
    friend class TListSubItems;
    friend class TListView;
    TListItem(TListView* view, QTreeWidgetItem* row) : view_(view), row_(row) {}
    void ShowTexts();
    void ShowImage();

    TListView* view_;
    QTreeWidgetItem* row_;  // owned by the tree widget
    TListSubItems subItems_{this};
    int imageIndex_ = -1;
};

class TListItems {
public:
    // Appends an empty row (no caption, no sub-items, image index -1).
    TListItem* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EInvalidOperation "List index out of bounds (%d)" outside 0 .. Count-1.
    TListItem* Item(int index) const;
    void Clear();

private:
    friend class TListView;
    friend class TListItem;
    explicit TListItems(TListView* view) : view_(view) {}
    TListView* view_;
    std::vector<std::unique_ptr<TListItem>> items_;
};

class TListView : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool RowSelect READ RowSelect WRITE SetRowSelect)

public:
    // An empty list in the icon style, editable, selecting single cells.
    explicit TListView(TComponent* AOwner);
    ~TListView() override;

    TListColumns* Columns() { return &columns_; }
    TListItems* Items() { return &items_; }
    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle style);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool rowSelect);
    TImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* images);
    // The first selected row, or nullptr.
    TListItem* Selected() const;
    // The width column `index` needs to show its header and every row's text in
    // full (the first column with the row image); 0 when there is no such column.
    int ColumnFitWidth(int index) const;
    // The width the list takes besides its columns: its frame and a vertical scroll
    // bar.
    int NonColumnWidth() const;

    QTreeWidget* Tree() const;

private:
    friend class TListColumn;
    friend class TListColumns;
    friend class TListItem;
    friend class TListItems;
    friend class TListSubItems;
    void ApplyColumns();
    void ApplyImages();
    void ApplyStyle();
    void CaptionEdited(QTreeWidgetItem* row, int column);

    TListColumns columns_{this};
    TListItems items_{this};
    TViewStyle viewStyle_ = vsIcon;
    bool readOnly_ = false;
    bool rowSelect_ = false;
    ChangeLink<TImageList> smallImages_;
};
