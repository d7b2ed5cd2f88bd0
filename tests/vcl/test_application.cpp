// The application object: default title, the guarded way into form code, deferred
// releases and the message loop.
#include "platform/system/exceptions.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls.h"

#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(Application, DefaultTitleIsTheExecutableNameCutAtItsFirstDot) {
    EXPECT_EQ(TApplication::DefaultTitle("/usr/lib/orlisk/orlisk"), "orlisk");
    EXPECT_EQ(TApplication::DefaultTitle("/opt/ORLISK.EXE"), "Orlisk");
    EXPECT_EQ(TApplication::DefaultTitle("/a.b/My.Photo.Tool"), "My");
    EXPECT_EQ(TApplication::DefaultTitle("/x/TEST_Vcl"), "Test_vcl");
    EXPECT_EQ(TApplication::DefaultTitle("/x/Q"), "Q");
    EXPECT_EQ(TApplication::DefaultTitle("/x/.hidden"), "");
    EXPECT_EQ(Application()->Title(), TApplication::DefaultTitle(sys::ExecutablePath()));
    EXPECT_EQ(Application()->property("Title").toString(), Application()->Title());
}

TEST(Application, GuardedShowsTheMessageInTheErrorBox) {
    ScopedDialogs dialogs;
    const QString oldTitle = Application()->Title();
    Application()->SetTitle("Orlisk");
    Guarded([] { throw Exception("Unable to rotate the image: a.jpg"); });
    CallGuarded([] { throw std::runtime_error("disk full"); });
    Guarded([] { throw 42; });
    bool after = false;
    Guarded([&] { after = true; });
    Application()->SetTitle(oldTitle);

    EXPECT_TRUE(after);
    ASSERT_EQ(dialogs->boxes.size(), 3u);
    EXPECT_EQ(dialogs->boxes[0].text, "Unable to rotate the image: a.jpg");
    EXPECT_EQ(dialogs->boxes[0].caption, QString("Orlisk"));
    EXPECT_EQ(dialogs->boxes[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(dialogs->boxes[1].text, "disk full");
    EXPECT_EQ(dialogs->boxes[2].text, "Unknown exception");
}

TEST(Application, AnExceptionFromAnEventHandlerIsShownNotFatal) {
    ScopedDialogs dialogs;
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    int clicks = 0;
    button->OnClick = [&](TComponent*) {
        ++clicks;
        throw Exception("Cannot open \"x.jpg\".");
    };
    form.Show();
    button->Click();  // Qt's clicked signal runs the handler
    button->Click();
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].text, "Cannot open \"x.jpg\".");
}

TEST(Application, ReleaseFreesOnlyWhenMessagesAreProcessed) {
    QPointer<TForm> form = new TForm(nullptr);
    form->Show();
    form->Release();
    EXPECT_FALSE(form.isNull());
    Application()->ProcessMessages();
    EXPECT_TRUE(form.isNull());

    // A component freed meanwhile is skipped.
    auto* gone = new TForm(nullptr);
    gone->Release();
    delete gone;
    Application()->ProcessMessages();
}

TEST(Application, CreateFormOwnsTheFormAndTheFirstIsTheMainForm) {
    TApplication app;
    auto* first = app.CreateForm<TForm>();
    first->SetName("FormOrlisk");
    auto* second = app.CreateForm<TForm>();
    EXPECT_EQ(app.MainForm(), first);
    EXPECT_EQ(app.FindComponent("FormOrlisk"), first);
    EXPECT_EQ(second->Owner(), &app);
}

TEST(Application, RunEndsWhenTheMainFormCloses) {
    auto* main = Application()->CreateForm<TForm>();
    ASSERT_EQ(Application()->MainForm(), main);
    bool shown = false;
    main->OnShow = [&](TComponent*) { shown = true; };
    QTimer::singleShot(0, [main] { main->Close(); });
    Application()->Run();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Application()->Terminated());
    FreeApplication();  // the next test gets an application that has not terminated
    EXPECT_FALSE(Application()->Terminated());
}

TEST(Application, IdleHandlersRunWhenTheLoopGoesIdle) {
    int runs = 0;
    const int id = Application()->AddIdleHandler([&] { ++runs; });
    Application()->DoIdle();
    EXPECT_EQ(runs, 1);
    Application()->RemoveIdleHandler(id);
    Application()->DoIdle();
    EXPECT_EQ(runs, 1);
}

TEST(Application, FreeApplicationFreesItsForms) {
    bool destroyed = false;
    auto* form = Application()->CreateForm<TForm>();
    TApplication* old = Application();
    TApplication* seenWhileFreeing = nullptr;
    form->OnDestroy = [&](TComponent*) {
        destroyed = true;
        seenWhileFreeing = Application();
    };
    FreeApplication();
    EXPECT_EQ(seenWhileFreeing, old);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Application()->MainForm(), nullptr);  // a new application object
}
