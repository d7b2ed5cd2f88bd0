// Making and destroying the main window: the global, the window mode's way of
// creating it, and what its destruction frees.

#include "mainwindow_fixture.h"

#include "translation/lang.h"

#include <QPointer>
#include <vector>

namespace {

// A thumbnail stand-in that reports its destruction.
class TRecordingThumbnail : public TObject {
public:
    TRecordingThumbnail(std::vector<int>& freed, int id) : freed_(freed), id_(id) {}
    ~TRecordingThumbnail() override { freed_.push_back(id_); }

private:
    std::vector<int>& freed_;
    int id_;
};

}  // namespace

TEST(MainWindowLifecycle, DestroyingTheWindowFreesEveryThumbnailAndTheTranslator) {
    testsupport::TempHome home;  // the window saves its settings when it goes
    ScopedDialogs dialogs;
    Application()->SetTitle(QStringLiteral("Orlisk"));
    std::vector<int> freed;
    auto* form = new TFormOrlisk(Application());
    for (int i = 0; i < 3; ++i)
        Access::Images(*form)->AddObject(QStringLiteral("/p/%1.jpg").arg(i),
                                         new TRecordingThumbnail(freed, i));
    QPointer<TLanguage> language = form->Language;
    delete form;
    EXPECT_EQ(freed, (std::vector<int>{0, 1, 2}));  // first to last
    EXPECT_TRUE(language.isNull());
    EXPECT_EQ(FormOrlisk, nullptr);
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST(MainWindowLifecycle, CreatedAsTheApplicationsFormItIsTheGlobalAndFoundByName) {
    testsupport::TempHome home;  // the window saves its settings when it goes
    ScopedDialogs dialogs;
    Application()->SetTitle(QStringLiteral("Orlisk"));
    TFormOrlisk* form = Application()->CreateForm<TFormOrlisk>();
    EXPECT_EQ(FormOrlisk, form);
    EXPECT_EQ(Application()->FindComponent(QStringLiteral("FormOrlisk")), form);
    // FormCreate ran once: one set of keys.
    EXPECT_EQ(form->Language->Properties()->Count(), 36);
    delete form;
    EXPECT_EQ(FormOrlisk, nullptr);
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST(MainWindowLifecycle, IdleUpdatesDuringTeardownFindNoPhoto) {
    // The action list may bring its actions up to date while the window goes; the
    // thumbnail list is gone by then and must not be touched.
    testsupport::TempHome home;  // the window saves its settings when it goes
    ScopedDialogs dialogs;
    Application()->SetTitle(QStringLiteral("Orlisk"));
    auto* form = new TFormOrlisk(Application());
    form->Show();
    form->OnDestroy = [form, inner = form->OnDestroy](TComponent* Sender) {
        inner(Sender);
        Application()->DoIdle();
        EXPECT_FALSE(Access::HasSelectedImage(*form));
    };
    delete form;
    EXPECT_TRUE(dialogs->boxes.empty());
}
