// The thumbnail grid's model: the shown folder's photos with their thumbnails, made
// under a progress window for the cell size of the moment, and the cell size itself.

#include "mainwindow/main.h"

#include "engine/common.h"
#include "platform/gdiplus/gpdecodeahead.h"
#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/sysmetrics.h"
#include "progress/app_wait.h"
#include "translation/lang.h"

#include <algorithm>
#include <memory>

namespace {

// Rows for `count` cells in rows of `cols` (the grid keeps at least one).
int RowsFor(int count, int cols) { return count / cols + (count % cols != 0 ? 1 : 0); }

// The folder without trailing "/"; the root keeps its one.
QString WithoutTrailingDelimiter(const QString& folder) {
    QString f = folder;
    while (f.size() > 1 && f.endsWith(u'/')) f.chop(1);
    return f;
}

// Panel 1's text: "12 file(s)".
QString FileCountText(const TLanguage& language, int count) {
    return sys::Format(QStringLiteral("%u ") + language.TranslateUserMessage(QStringLiteral("file(s)")),
                       {static_cast<unsigned>(count)});
}


// One side of a thumbnail: at least one pixel, so that a readable photo never shows
// as an empty cell (a panorama far wider than high would give 0).
int Side(long long pixels) { return static_cast<int>(std::clamp(pixels, 1LL, 1LL << 30)); }

}  // namespace

void TFormOrlisk::LoadFolder(const QString& Folder) {
    if (!Images) return;  // the window is being destroyed
    if (MakingThumbNails) {
        SetForegroundWindow(FindWindowByClassName(QStringLiteral("TfrmWait")));
        return;
    }
    MakingThumbNails = true;
    struct ClearFlag {
        bool& flag;
        ~ClearFlag() { flag = false; }
    } clearFlag{MakingThumbNails};

    StatusBar->Panels()->Items(0)->SetText(QString());
    CurrentFolder = WithoutTrailingDelimiter(Folder);
    edPath->SetText(CurrentFolder);
    ClearThumbnails();
    {
        TStringList files;
        FindJpegFiles(CurrentFolder, files, cbSubFolders->Checked());
        const int n = files.Count();
        if (n > 0) {
            TProgressWindow progress(this);
            progress.SetLabelText(
                Language->TranslateUserMessage(QStringLiteral("Creating thumbnails, please wait...")));
            progress.SetButtonCaption(Language->TranslateUserMessage(QStringLiteral("Cancel")));
            progress.SetProgressBounds(0, n);
            // Only a hint: the image services may decode the list ahead on other
            // threads; every thumbnail is the same without it.
            const TGPDecodeAhead decodeAhead(files.ToQStringList(), DrawGrid->DefaultColWidth() - 10,
                                             DrawGrid->DefaultRowHeight() - 30,
                                             !pmiHiQuality->Checked());
            for (int i = 0; i < n; ++i) {
                // Once, so that the first thumbnails show while the rest are made.
                if (i == 20) DrawGrid->Refresh();
                Application()->ProcessMessages();
                // A closed main window ends the program: no reason to finish the load.
                if (progress.WantCancel() || Application()->Terminated()) break;
                const QString path = files[i];
                std::unique_ptr<TGPImage> thumbnail(MakeThumbnail(path));
                if (thumbnail) {
                    Images->AddObject(path, thumbnail.get());
                    thumbnail.release();
                }
                progress.SetProgressBy(1);
            }
        }
    }
    Images->Sort();
    DrawGrid->SetRowCount(RowsFor(Images->Count(), DrawGrid->ColCount()));
    DrawGrid->SetCol(0);
    DrawGrid->SetRow(0);
    DrawGrid->Refresh();
    // The scroll message also gives the grid the focus.
    DrawGrid->Scroll(SB_TOP);
    bool canSelect = true;
    DrawGridSelectCell(DrawGrid, 0, 0, canSelect);
    StatusBar->Panels()->Items(1)->SetText(FileCountText(*Language, Images->Count()));
}

TGPImage* TFormOrlisk::MakeThumbnail(const QString& PhotoPath) {
    if (!sys::FileExists(PhotoPath)) return nullptr;
    TGPImage image(PhotoPath, false);
    const unsigned w = image.GetWidth();
    const unsigned h = image.GetHeight();
    // A picture too large to decode keeps its size but cannot be read either.
    if (w == 0 || h == 0 || image.GetLastStatus() != Ok) {
        StatusBar->Panels()->Items(0)->SetText(
            Language->TranslateUserMessage(QStringLiteral("Warning! Unable to read some images.")));
        return nullptr;
    }
    // The cell of this moment: a rebuild during a load changes it for the rest.
    const long long cw = DrawGrid->DefaultColWidth();
    const long long rh = DrawGrid->DefaultRowHeight();
    int tw = 0, th = 0;
    if (w > h) {
        tw = Side(cw - 10);
        th = Side(h * (cw - 10) / w);
    } else {
        th = Side(rh - 30);
        tw = Side(w * (rh - 30) / h);
    }
    // Scaled when enlarging is asked for or the photo is larger than the cell; the
    // height is compared with the whole row, as the layout always did.
    const bool scaled = pmiEnlargeSmall->Checked() || w + 10LL > cw || h + 10LL > rh;
    if (scaled && !pmiHiQuality->Checked()) return image.GetThumbnailImage(tw, th);

    const int bw = scaled ? tw : static_cast<int>(w);
    const int bh = scaled ? th : static_cast<int>(h);
    auto bitmap = std::make_unique<TGPBitmap>(bw, bh, PixelFormat32bppARGB);
    {
        TGPGraphics graphics(bitmap.get());
        graphics.SetInterpolationMode(InterpolationModeLowQuality);
        graphics.DrawImage(&image, 0, 0, bw, bh);
    }
    return bitmap.release();
}

void TFormOrlisk::RefreshThumbnail(const QString& PhotoPath) {
    const int i = Images->IndexOfExact(PhotoPath);
    if (i < 0 || i >= Images->Count()) return;
    delete Images->Objects(i);
    Images->SetObject(i, nullptr);
    if (sys::FileExists(PhotoPath)) Images->SetObject(i, MakeThumbnail(PhotoPath));
    if (!Images->Objects(i)) {
        Images->Delete(i);
        UpdateRowAndFileCount();
    }
}

void TFormOrlisk::UpdateRowAndFileCount() {
    DrawGrid->SetRowCount(RowsFor(Images->Count(), DrawGrid->ColCount()));
    StatusBar->Panels()->Items(1)->SetText(FileCountText(*Language, Images->Count()));
}

void TFormOrlisk::RebuildThumbnails() {
    // The width of a vertical scroll bar is kept free whether or not one shows.
    const int cw = (DrawGrid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) / DrawGrid->ColCount();
    DrawGrid->SetDefaultColWidth(cw);
    DrawGrid->SetDefaultRowHeight(cw + 20);
    if (Visible() && sys::DirectoryExists(CurrentFolder)) LoadFolder(CurrentFolder);
}

void TFormOrlisk::pmiRefreshClick(TComponent*) {
    if (sys::DirectoryExists(CurrentFolder)) LoadFolder(CurrentFolder);
}
