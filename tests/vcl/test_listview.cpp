// The list view in report style, on real widgets offscreen.
#include "platform/vcl/forms.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/listview.h"
#include "tests/vcl/widgets_util.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace widgets_test;

namespace {

struct ReportList {
    TForm form{nullptr};
    TImageList* images = new TImageList(&form);
    TListView* list = Make<TListView>(&form, &form, 10, 10, 300, 200);

    ReportList() {
        list->SetViewStyle(vsReport);
        TListColumn* a = list->Columns()->Add();
        a->SetCaption("Tag");
        a->SetWidth(120);
        TListColumn* b = list->Columns()->Add();
        b->SetCaption("Value");
        b->SetWidth(90);
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        images->Add(red);
        list->SetSmallImages(images);
    }
    TListItem* Add(const QString& caption, const QString& value, int image = 0) {
        TListItem* item = list->Items()->Add();
        item->SetCaption(caption);
        item->SubItems()->Add(value);
        item->SetImageIndex(image);
        return item;
    }
};

}  // namespace

TEST(ListView, ReportShowsColumnsAndRowsInTheOrderAdded) {
    ReportList r;
    r.Add("Zeta", "1");
    r.Add("Alpha", "2");
    r.Add("Alpha", "3");
    QTreeWidget* tree = r.list->Tree();
    EXPECT_FALSE(tree->isHeaderHidden());
    ASSERT_EQ(tree->columnCount(), 2);
    EXPECT_EQ(tree->headerItem()->text(0), "Tag");
    EXPECT_EQ(tree->headerItem()->text(1), "Value");
    EXPECT_EQ(tree->columnWidth(0), 120);
    EXPECT_EQ(tree->columnWidth(1), 90);
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Zeta");
    EXPECT_EQ(tree->topLevelItem(1)->text(1), "2");
    EXPECT_EQ(tree->topLevelItem(2)->text(1), "3");
    EXPECT_EQ(r.list->Items()->Item(2)->Index(), 2);
    // A caption changed later shows too.
    r.list->Columns()->Items(1)->SetCaption("Wert");
    EXPECT_EQ(tree->headerItem()->text(1), "Wert");
    EXPECT_EQ(tree->topLevelItem(1)->text(1), "2");
}

TEST(ListView, SmallImagesAtTheStartOfEachRow) {
    ReportList r;
    TListItem* with = r.Add("a", "1", 0);
    TListItem* without = r.Add("b", "2", -1);
    QTreeWidget* tree = r.list->Tree();
    EXPECT_EQ(tree->iconSize(), QSize(16, 16));
    EXPECT_EQ(tree->topLevelItem(0)->icon(0).pixmap(16, 16).toImage().pixelColor(8, 8),
              QColor(Qt::red));
    EXPECT_TRUE(tree->topLevelItem(1)->icon(0).isNull());
    // A replaced image shows in the rows that use it.
    QImage blue(16, 16, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    r.images->Replace(0, blue);
    EXPECT_EQ(tree->topLevelItem(0)->icon(0).pixmap(16, 16).toImage().pixelColor(8, 8),
              QColor(Qt::blue));
    EXPECT_EQ(with->ImageIndex(), 0);
    EXPECT_EQ(without->ImageIndex(), -1);
}

TEST(ListView, WholeRowSelectionAndReadOnlyCaptions) {
    ReportList r;
    r.Add("a", "1");
    r.Add("b", "2");
    QTreeWidget* tree = r.list->Tree();
    r.list->SetReadOnly(true);
    r.list->SetRowSelect(true);
    r.form.Show();
    EXPECT_EQ(tree->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(tree->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    // A click on the value selects the whole row.
    const QRect valueCell = tree->visualRect(tree->model()->index(1, 1));
    Click(tree->viewport(), valueCell.center());
    ASSERT_EQ(r.list->Selected(), r.list->Items()->Item(1));
    EXPECT_TRUE(tree->selectionModel()->isSelected(tree->model()->index(1, 0)));
    // F2 opens no editor on a read-only list.
    SendKey(tree, Qt::Key_F2);
    EXPECT_TRUE(tree->findChildren<QLineEdit*>().isEmpty());

    r.list->SetReadOnly(false);
    EXPECT_TRUE(tree->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    EXPECT_NE(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    tree->setCurrentItem(tree->topLevelItem(0), 0);
    SendKey(tree, Qt::Key_F2);
    EXPECT_FALSE(tree->findChildren<QLineEdit*>().isEmpty());
}

TEST(ListView, IndexesOutsideTheListRaise) {
    ReportList r;
    TListItem* item = r.Add("a", "1");
    EXPECT_THROW(r.list->Items()->Item(1), EInvalidOperation);
    EXPECT_THROW(r.list->Columns()->Items(-1), EInvalidOperation);
    EXPECT_THROW(item->SubItems()->Strings(1), EInvalidOperation);
    r.list->Items()->Clear();
    EXPECT_EQ(r.list->Items()->Count(), 0);
    EXPECT_EQ(r.list->Tree()->topLevelItemCount(), 0);
}
