// STAND-IN for the thumbnail grid until it is merged (reverted then): just enough of
// the model for the commands and the navigation to run on real photos.
#include "mainwindow/main.h"

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "translation/lang.h"

void TFormOrlisk::LoadFolder(const QString& Folder) {
    if (MakingThumbNails) return;
    MakingThumbNails = true;
    CurrentFolder = Folder;
    while (CurrentFolder.size() > 1 && CurrentFolder.endsWith(u'/')) CurrentFolder.chop(1);
    edPath->SetText(CurrentFolder);
    ClearThumbnails();
    TStringList list;
    FindJpegFiles(CurrentFolder, list, cbSubFolders->Checked());
    for (int i = 0; i < list.Count(); ++i)
        if (TGPImage* t = MakeThumbnail(list[i])) Images->AddObject(list[i], t);
    Images->Sort();
    UpdateRowAndFileCount();
    DrawGrid->SetCol(0);
    DrawGrid->SetRow(0);
    bool can = true;
    DrawGridSelectCell(DrawGrid, 0, 0, can);
    MakingThumbNails = false;
}

TGPImage* TFormOrlisk::MakeThumbnail(const QString& Path) {
    if (!sys::FileExists(Path)) return nullptr;
    auto* image = new TGPImage(Path);
    if (image->GetWidth() == 0) {
        delete image;
        return nullptr;
    }
    return image;
}

void TFormOrlisk::RefreshThumbnail(const QString& Path) {
    int i = -1;
    for (int k = 0; k < Images->Count(); ++k)
        if ((*Images)[k] == Path) i = k;
    if (i < 0) return;
    delete Images->Objects(i);
    Images->SetObject(i, nullptr);
    if (sys::FileExists(Path)) Images->SetObject(i, MakeThumbnail(Path));
    if (!Images->Objects(i)) {
        Images->Delete(i);
        UpdateRowAndFileCount();
    }
}

void TFormOrlisk::RebuildThumbnails() {
    if (Visible() && sys::DirectoryExists(CurrentFolder)) LoadFolder(CurrentFolder);
}

void TFormOrlisk::UpdateRowAndFileCount() {
    const int n = Images->Count(), c = DrawGrid->ColCount();
    DrawGrid->SetRowCount(n / c + (n % c ? 1 : 0));
    StatusBar->Panels()->Items(1)->SetText(QStringLiteral("%1 file(s)").arg(n));
}

void TFormOrlisk::DrawGridSelectCell(TComponent*, int ACol, int ARow, bool&) {
    FileName.clear();
    const long long i = ACol + static_cast<long long>(ARow) * DrawGrid->ColCount();
    if (i >= 0 && i < Images->Count() && sys::FileExists((*Images)[static_cast<int>(i)]))
        FileName = (*Images)[static_cast<int>(i)];
}
