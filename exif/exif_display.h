#pragma once
// Unit exif_display: the dialog "EXIF Properties", TFormExif, and the listing that
// fills it with the known EXIF properties of one photo.

#include "platform/vcl/forms.h"

#include <QString>

class TButton;
class TGPImage;
class TImageList;
class TLanguage;
class TListView;

class TFormExif : public TForm {
    Q_OBJECT

public:
    // Builds the stored design, then runs FormCreate, which speaks the language of
    // `MainLanguage` (the main window's translator; nullptr: English).
    TFormExif(TComponent* AOwner, const TLanguage* MainLanguage);
    ~TFormExif() override;

    TListView* ListView = nullptr;
    TImageList* ImageList = nullptr;
    TButton* btnOk = nullptr;

    // Widens the columns to their longest text (header included) and the dialog with
    // them, within the screen's work area; never narrower than the stored design.
    void FitToContents();

    void FormCreate(TComponent* Sender);
    void FormDestroy(TComponent* Sender);

private:
    friend void ShowExifProperties(const QString& FileName, const TLanguage* MainLanguage);
    void BuildDesign();

    const QString mainLanguageFile_;
    TLanguage* Language = nullptr;
};

// Appends one row per property item of the image whose tag the table knows, in the
// order the image reports them: image 0, the tag's label, the value text. Reads only
// what the image's size query sized; an image that cannot be read adds nothing.
void ListExifProperties(TGPImage& Image, TListView& List);

// The viewer for an existing photo: a TFormExif owned by the application, filled
// from the photo and shown modally, or, when no row was made (no EXIF data, only
// unknown tags, a file the image services cannot read), the notice "This file does
// not contain EXIF data." once and no dialog. The dialog is released afterwards.
// What the listing raises passes on, after the dialog is released unshown.
void ShowExifProperties(const QString& FileName, const TLanguage* MainLanguage);
