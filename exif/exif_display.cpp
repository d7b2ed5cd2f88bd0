#include "exif/exif_display.h"

#include "exif/exif_tags.h"
#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/vcl/application.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/listview.h"
#include "platform/vcl/stdctrls.h"
#include "translation/lang.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The picture at the start of every row: a luggage tag, drawn for this dialog.
QImage RowImage() {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tag;
    tag.moveTo(1.5, 8);
    tag.lineTo(6, 3.5);
    tag.lineTo(14.5, 3.5);
    tag.lineTo(14.5, 12.5);
    tag.lineTo(6, 12.5);
    tag.closeSubpath();
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 1));
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawPath(tag);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(6, 8), 1.4, 1.4);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 1));
    p.drawLine(QPointF(9, 6.5), QPointF(13, 6.5));
    p.drawLine(QPointF(9, 9.5), QPointF(12, 9.5));
    return image;
}

// The two translation keys of the dialog, in registration order.
constexpr const char* kTranslationKeys[] = {"FormExif.Caption", "FormExif.btnOk.Caption"};

}  // namespace

TFormExif::TFormExif(TComponent* AOwner, const TLanguage* MainLanguage)
    : TForm(AOwner), mainLanguageFile_(MainLanguage ? MainLanguage->LanguageFile() : QString()) {
    BuildDesign();
    DoCreate();
}

TFormExif::~TFormExif() { DoDestroy(); }

void TFormExif::BuildDesign() {
    SetName(QStringLiteral("FormExif"));
    SetBorderStyle(bsDialog);
    SetCaption(QStringLiteral("EXIF Properties"));
    SetClientWidth(418);
    SetClientHeight(427);
    SetPosition(poOwnerFormCenter);
    SetFont(MakeFont(QStringLiteral("Tahoma"), -11));
    OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
    OnDestroy = [this](TComponent* Sender) { FormDestroy(Sender); };

    ImageList = MakeComponent<TImageList>(this, "ImageList");
    ImageList->Add(RowImage());

    ListView = MakeComponent<TListView>(this, "ListView");
    ListView->SetParent(this);
    ListView->SetBounds(11, 16, 397, 353);
    ListView->SetViewStyle(vsReport);
    TListColumn* tag = ListView->Columns()->Add();
    tag->SetCaption(QStringLiteral("Tag"));
    tag->SetWidth(150);
    TListColumn* value = ListView->Columns()->Add();
    value->SetCaption(QStringLiteral("Value"));
    value->SetWidth(200);
    ListView->SetReadOnly(true);
    ListView->SetRowSelect(true);
    ListView->SetSmallImages(ImageList);
    ListView->SetTabOrder(0);

    btnOk = MakeComponent<TButton>(this, "btnOk");
    btnOk->SetParent(this);
    btnOk->SetBounds(171, 384, 75, 25);
    btnOk->SetCaption(QStringLiteral("&OK"));
    btnOk->SetModalResult(mrOk);
    btnOk->SetCancel(true);
    btnOk->SetDefault(false);
    btnOk->SetTabOrder(1);
}

namespace {
// The stored design: the list at (11, 16), 397 wide, in a client area 418 wide, its
// columns 150 and 200 wide.
constexpr int kListLeft = 11;
constexpr int kListRightGap = 10;
constexpr int kListWidth = 397;
constexpr int kTagWidth = 150;
constexpr int kValueWidth = 200;
// Room left on the screen for the window's frame.
constexpr int kFrameRoom = 32;
}  // namespace

void TFormExif::FitToContents() {
    const int tagWidth = std::max(kTagWidth, ListView->ColumnFitWidth(0));
    int valueWidth = std::max(kValueWidth, ListView->ColumnFitWidth(1));
    const int around = ListView->NonColumnWidth();
    int listWidth = std::max(kListWidth, tagWidth + valueWidth + around);
    const TRect work = Screen()->WorkAreaRect();
    const int most = work.Width() - kFrameRoom - kListLeft - kListRightGap;
    if (!work.IsEmpty() && listWidth > most) {
        // The values give way first: their column ends at the screen's edge.
        listWidth = std::max(most, kListWidth);
        valueWidth = std::max(listWidth - around - tagWidth, kValueWidth);
    }
    ListView->Columns()->Items(0)->SetWidth(tagWidth);
    ListView->Columns()->Items(1)->SetWidth(valueWidth);
    SetClientWidth(kListLeft + listWidth + kListRightGap);
    ListView->SetWidth(listWidth);
    btnOk->SetLeft((ClientWidth() - btnOk->Width()) / 2);
}

void TFormExif::FormCreate(TComponent*) {
    Language = new TLanguage(this);
    Language->SetLanguageFile(mainLanguageFile_);
    for (const char* key : kTranslationKeys) Language->Properties()->Add(QString::fromLatin1(key));
    Language->Translate();
    // The column headers are messages, not keys.
    ListView->Columns()->Items(0)->SetCaption(Language->TranslateUserMessage(QStringLiteral("Tag")));
    ListView->Columns()->Items(1)->SetCaption(
        Language->TranslateUserMessage(QStringLiteral("Value")));
}

void TFormExif::FormDestroy(TComponent*) {
    delete Language;
    Language = nullptr;
}

void ListExifProperties(TGPImage& Image, TListView& List) {
    uint32_t size = 0;
    uint32_t count = 0;
    // A failed query sizes nothing, so nothing is read.
    if (Image.GetPropertySize(&size, &count) != Ok || size == 0 || count == 0) return;

    // Zero-filled and 8-byte aligned, exactly `size` bytes of it used.
    std::unique_ptr<uint64_t[]> block(new uint64_t[(size_t {size} + 7) / 8]());
    if (Image.GetAllPropertyItems(size, count, reinterpret_cast<PropertyItem*>(block.get())) != Ok)
        return;

    const auto begin = reinterpret_cast<uintptr_t>(block.get());
    const uintptr_t end = begin + size;
    const size_t records = std::min<size_t>(count, size / sizeof(PropertyItem));
    for (size_t i = 0; i < records; ++i) {
        PropertyItem item;
        std::memcpy(&item, reinterpret_cast<const unsigned char*>(block.get()) + i * sizeof item,
                    sizeof item);
        // A value that does not lie wholly inside the block counts as no value.
        const auto value = reinterpret_cast<uintptr_t>(item.value);
        if (!item.value || value < begin || value > end || item.length > end - value) {
            item.value = nullptr;
            item.length = 0;
        }
        const std::optional<TExifRow> row =
            DescribeExifProperty(item.id, item.type, item.length, item.value);
        if (!row) continue;
        TListItem* listItem = List.Items()->Add();
        listItem->SetImageIndex(0);
        listItem->SetCaption(row->label);
        listItem->SubItems()->Add(row->value);
    }
}

void ShowExifProperties(const QString& FileName, const TLanguage* MainLanguage) {
    auto* form = new TFormExif(Application(), MainLanguage);
    // Released whatever happens; freed when the message loop next runs.
    const std::unique_ptr<TFormExif, void (*)(TFormExif*)> release(
        form, [](TFormExif* f) { f->Release(); });
    {
        TGPBitmap bitmap(FileName);
        ListExifProperties(bitmap, *form->ListView);
    }
    if (form->ListView->Items()->Count() == 0) {
        // The box shows over the place of the dialog it stands for.
        form->PlaceAsPositioned();
        MessageBoxW(form->Handle(),
                    form->Language->TranslateUserMessage(
                        QStringLiteral("This file does not contain EXIF data.")),
                    std::nullopt, MB_OK | MB_ICONINFORMATION);
        return;
    }
    form->FitToContents();
    form->ShowModal();
}
