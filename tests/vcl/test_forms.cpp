// Forms and the controls base, on real widgets offscreen.
#include "platform/vcl/application.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>

namespace {

class TTestForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
}

// Runs `f` once the event loop runs (inside ShowModal).
void Later(std::function<void()> f) { QTimer::singleShot(0, std::move(f)); }

template <class T>
T* Make(TForm* form, int left, int top, int width, int height) {
    auto* c = new T(form);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    return c;
}

}  // namespace

TEST(ProgressBar, RefusesAMaximumBelowTheMinimum) {
    TForm form(nullptr);
    auto* bar = Make<TProgressBar>(&form, 0, 0, 100, 15);
    try {
        bar->SetMax(-1);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "TProgressBar property out of range");
    }
    EXPECT_THROW(bar->SetMin(101), EInvalidOperation);
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Max(), 100);
    bar->SetMin(100);  // equal is fine: an empty range
    EXPECT_EQ(bar->Bar()->value(), 0);
    bar->SetMin(0);
    bar->SetMax(4);
    bar->SetPosition(9);
    EXPECT_EQ(bar->Position(), 4);
    bar->StepBy(-10);
    EXPECT_EQ(bar->Position(), 0);
    bar->StepBy(3);
    EXPECT_EQ(bar->Bar()->value(), 3);
    EXPECT_EQ(bar->Bar()->maximum(), 4);
}

TEST(Controls, AlignedControlsFillTheirEdgeAndFollowResizes) {
    TForm form(nullptr);
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    auto* top1 = Make<TLabel>(&form, 0, 0, 50, 13);
    top1->SetAlign(alTop);
    auto* top2 = Make<TLabel>(&form, 0, 50, 50, 20);
    top2->SetAlign(alTop);
    auto* bottom = Make<TLabel>(&form, 0, 0, 50, 19);
    bottom->SetAlign(alBottom);
    auto* client = Make<TLabel>(&form, 0, 0, 10, 10);
    client->SetAlign(alClient);
    EXPECT_EQ(top1->Widget()->geometry(), QRect(0, 0, 300, 13));
    EXPECT_EQ(top2->Widget()->geometry(), QRect(0, 13, 300, 20));
    EXPECT_EQ(bottom->Widget()->geometry(), QRect(0, 181, 300, 19));
    EXPECT_EQ(client->Widget()->geometry(), QRect(0, 33, 300, 148));

    form.SetClientWidth(400);
    EXPECT_EQ(top2->Width(), 400);
    top1->SetVisible(false);  // a hidden control takes no space
    EXPECT_EQ(top2->Top(), 0);
    form.Show();
    form.SetClientHeight(250);
    Application()->ProcessMessages();
    EXPECT_EQ(bottom->Top(), 231);
}

TEST(Controls, AnchoredControlsKeepTheirDistanceToTheRightEdge) {
    TForm form(nullptr);
    form.SetClientWidth(300);
    form.SetClientHeight(100);
    auto* stretch = Make<TButton>(&form, 10, 10, 200, 21);
    stretch->SetAnchors(akLeft | akTop | akRight);
    auto* right = Make<TButton>(&form, 220, 10, 70, 21);
    right->SetAnchors(akTop | akRight);
    auto* fixed = Make<TButton>(&form, 10, 40, 50, 21);
    form.SetClientWidth(400);
    EXPECT_EQ(stretch->Widget()->geometry(), QRect(10, 10, 300, 21));
    EXPECT_EQ(right->Widget()->geometry(), QRect(320, 10, 70, 21));
    EXPECT_EQ(fixed->Widget()->geometry(), QRect(10, 40, 50, 21));
}

TEST(Forms, OuterBoundsAndClientAreaWithABorder) {
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetBorderWidth(7);
    form.SetClientWidth(284);
    form.SetClientHeight(88);
    EXPECT_EQ(form.ClientWidth(), 284);
    EXPECT_EQ(form.Width(), 298);  // no frame until the window is framed
    EXPECT_EQ(form.ClientWidget()->geometry(), QRect(7, 7, 284, 88));
    form.SetBounds(-30, 20, 200, 100);
    EXPECT_EQ(form.Left(), -30);
    EXPECT_EQ(form.ClientWidth(), 200 - 14);
    EXPECT_EQ(form.Widget()->minimumSize(), form.Widget()->maximumSize());  // dialog: fixed

    TForm sizeable(nullptr);
    sizeable.Constraints().SetMinWidth(800);
    sizeable.Constraints().SetMinHeight(600);
    EXPECT_EQ(sizeable.Widget()->minimumSize(), QSize(800, 600));
    EXPECT_GE(sizeable.Width(), 800);
}

TEST(Forms, ShowModalReturnsTheModalResultOfTheButton) {
    TForm dialog(nullptr);
    auto* ok = Make<TButton>(&dialog, 10, 10, 75, 25);
    ok->SetCaption("&OK");
    ok->SetModalResult(mrOk);
    auto* cancel = Make<TButton>(&dialog, 90, 10, 75, 25);
    cancel->SetCaption("&Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    int clicks = 0;
    ok->OnClick = [&](TComponent*) { ++clicks; };

    Later([ok] { ok->Click(); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(dialog.Visible());

    Later([&] { SendKey(dialog.Widget(), Qt::Key_Escape); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);

    Later([&] { dialog.Widget()->close(); });  // the title bar's close button
    EXPECT_EQ(dialog.ShowModal(), mrCancel);

    // OK is not the default button: Enter does nothing until one is.
    Later([&] {
        SendKey(dialog.Widget(), Qt::Key_Return);
        EXPECT_TRUE(dialog.Visible());
        ok->SetDefault(true);
        SendKey(dialog.Widget(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);

    Later([&] {
        EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);  // already showing
        dialog.SetModalResult(mrNo);
    });
    EXPECT_EQ(dialog.ShowModal(), mrNo);
}

TEST(Forms, KeyPreviewSeesKeysFirstAndCanSwallowThem) {
    TForm form(nullptr);
    auto* button = Make<TButton>(&form, 0, 0, 75, 25);
    QStringList seen;
    form.OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState shift) {
        seen << QString("form %1 %2").arg(key).arg(shift);
        if (key == 'X') key = 0;
    };
    button->OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState) { seen << QString("button %1").arg(key); };
    form.Show();
    button->SetFocus();
    Application()->ProcessMessages();
    if (QApplication::focusWidget() != button->Widget()) GTEST_SKIP() << "no keyboard focus on this platform";

    SendKey(button->Widget(), Qt::Key_R);
    EXPECT_EQ(seen, QStringList{"button 82"});  // no preview: only the focused control
    seen.clear();
    form.SetKeyPreview(true);
    SendKey(button->Widget(), Qt::Key_R, Qt::ControlModifier);
    SendKey(button->Widget(), Qt::Key_X);
    EXPECT_EQ(seen, (QStringList{"form 82 4", "button 82", "form 88 0"}));
}

TEST(Forms, CloseHidesReleasesOrStays) {
    auto* form = new TForm(nullptr);
    QPointer<TForm> alive = form;
    form->Show();
    bool allow = false;
    form->OnCloseQuery = [&](TComponent*, bool& canClose) { canClose = allow; };
    form->Close();
    EXPECT_TRUE(form->Visible());
    allow = true;
    form->OnClose = [](TComponent*, TCloseAction& action) { action = caNone; };
    form->Close();
    EXPECT_TRUE(form->Visible());
    form->OnClose = nullptr;
    form->Widget()->close();  // the window manager's close goes the same way
    EXPECT_FALSE(form->Visible());
    form->Show();
    form->OnClose = [](TComponent*, TCloseAction& action) { action = caFree; };
    form->Close();
    ASSERT_FALSE(alive.isNull());
    Application()->ProcessMessages();
    EXPECT_TRUE(alive.isNull());
}

TEST(Forms, WithoutSystemCloseTheCloseRequestIsRefused) {
    TForm form(nullptr);
    form.Show();
    form.SetSystemCloseEnabled(false);
    EXPECT_TRUE(form.Visible());  // new window flags, shown again
    EXPECT_FALSE(form.Widget()->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.Widget()->close());
    EXPECT_TRUE(form.Visible());
    form.Close();  // the program itself still closes it
    EXPECT_FALSE(form.Visible());
}

TEST(Forms, RegistryByWindowClassName) {
    auto* form = new TTestForm(nullptr);
    EXPECT_EQ(FindWindowByClassName("TTestForm"), form);
    EXPECT_EQ(FindWindowByClassName("ttestform"), form);
    EXPECT_EQ(FindWindowByClassName("TNoSuchForm"), nullptr);
    form->Show();
    form->SetWindowState(wsMinimized);
    EXPECT_TRUE(SetForegroundWindow(FindWindowByClassName("TTestForm")));
    EXPECT_NE(form->WindowState(), wsMinimized);
    delete form;
    EXPECT_EQ(FindWindowByClassName("TTestForm"), nullptr);
    EXPECT_FALSE(SetForegroundWindow(static_cast<TForm*>(nullptr)));
}

TEST(Forms, EventsRunOnceAndInOrder) {
    QStringList events;
    {
        TForm form(nullptr);
        form.OnCreate = [&](TComponent*) { events << "create"; };
        form.OnShow = [&](TComponent*) { events << "show"; };
        form.OnDestroy = [&](TComponent*) { events << "destroy"; };
        form.DoCreate();
        form.DoCreate();
        form.Show();
        form.SetVisible(false);
        form.Show();
    }
    EXPECT_EQ(events, (QStringList{"create", "show", "show", "destroy"}));
}

TEST(Forms, PositionCentresOnTheOwnerForm) {
    TForm owner(nullptr);
    owner.SetBounds(100, 100, 400, 300);
    owner.Show();
    TForm dialog(&owner);
    dialog.SetClientWidth(245);
    dialog.SetClientHeight(102);
    dialog.SetPosition(poOwnerFormCenter);
    dialog.Show();
    EXPECT_EQ(dialog.Left(), owner.Left() + owner.Width() / 2 - dialog.Width() / 2);
    EXPECT_EQ(dialog.Top(), owner.Top() + owner.Height() / 2 - dialog.Height() / 2);
}

TEST(Controls, SetFocusRefusesAHiddenControl) {
    TForm form(nullptr);
    auto* button = Make<TButton>(&form, 0, 0, 75, 25);
    try {
        button->SetFocus();
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "Cannot focus a disabled or invisible window");
    }
    EXPECT_THROW(form.SetFocus(), EInvalidOperation);
}

TEST(Controls, OnEnterForTheFirstFocusOfAFormButNotForAReactivation) {
    TForm form(nullptr);
    auto* a = Make<TButton>(&form, 0, 0, 75, 25);
    auto* b = Make<TButton>(&form, 0, 30, 75, 25);
    QStringList calls;
    a->OnEnter = [&](TComponent*) { calls << "enter a"; };
    a->OnExit = [&](TComponent*) { calls << "exit a"; };
    b->OnEnter = [&](TComponent*) { calls << "enter b"; };
    b->OnExit = [&](TComponent*) { calls << "exit b"; };
    form.Show();
    Application()->ProcessMessages();
    if (!a->Focused()) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_EQ(calls, QStringList{"enter a"});

    // Another window takes the activation and gives it back: no exit, no entry.
    TForm other(nullptr);
    other.Show();
    Application()->ProcessMessages();
    form.SetFocus();
    Application()->ProcessMessages();
    ASSERT_TRUE(a->Focused());
    EXPECT_EQ(calls, QStringList{"enter a"});

    b->SetFocus();
    Application()->ProcessMessages();
    EXPECT_EQ(calls, (QStringList{"enter a", "exit a", "enter b"}));

    // The focus moved while the window was inactive (a window manager that activates
    // the window after the focus request): the control it moved from exits first.
    other.SetFocus();
    Application()->ProcessMessages();
    calls.clear();
    a->Widget()->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(calls.isEmpty());
    form.SetFocus();
    Application()->ProcessMessages();
    ASSERT_TRUE(a->Focused());
    EXPECT_EQ(calls, (QStringList{"exit b", "enter a"}));
}

TEST(Controls, TabRunsThroughNestedContainersInTheirPlace) {
    TForm form(nullptr);
    auto* panel = Make<TPanel>(&form, 0, 30, 200, 60);
    auto child = [&](int top) {
        auto* b = new TButton(&form);
        b->SetParent(panel);
        b->SetBounds(0, top, 75, 25);
        return b;
    };
    TButton* b = child(0);
    TButton* c = child(30);
    auto* a = Make<TButton>(&form, 0, 0, 75, 25);
    a->SetTabOrder(0);  // made after the panel, first in the tab order
    auto* d = Make<TButton>(&form, 0, 100, 75, 25);
    form.Show();
    Application()->ProcessMessages();
    if (!QApplication::focusWidget()) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_TRUE(a->Focused()) << "the first control of the tab order takes the focus";

    auto order = [] {
        QStringList names;
        for (int i = 0; i < 4; ++i) {
            SendKey(QApplication::focusWidget(), Qt::Key_Tab);
            names << QApplication::focusWidget()->objectName();
        }
        return names.join(' ');
    };
    a->Widget()->setObjectName("a");
    b->Widget()->setObjectName("b");
    c->Widget()->setObjectName("c");
    d->Widget()->setObjectName("d");
    EXPECT_EQ(order(), "b c d a");
    c->SetTabOrder(0);
    EXPECT_EQ(order(), "c b d a");
    // A freed control leaves the order of the others as it was.
    delete c;
    EXPECT_EQ(order(), "b d a b");
}

TEST(Controls, PublishedPropertiesAreFoundByName) {
    TForm form(nullptr);
    auto* label = Make<TLabel>(&form, 0, 0, 50, 13);
    auto* button = Make<TButton>(&form, 0, 0, 75, 25);
    EXPECT_TRUE(form.setProperty("Caption", "Orlisk"));
    EXPECT_EQ(form.Caption(), "Orlisk");
    EXPECT_TRUE(button->setProperty("Caption", "&Browse..."));
    EXPECT_EQ(button->Button()->text(), "&Browse...");
    EXPECT_TRUE(button->setProperty("Hint", "Recent folder"));
    EXPECT_EQ(button->Widget()->toolTip(), "Recent folder");
    EXPECT_TRUE(label->setProperty("Caption", "&File && folder"));
    EXPECT_EQ(label->Label()->text(), "File & folder");
    label->SetShowAccelChar(false);
    EXPECT_EQ(label->Label()->text(), "&File && folder");
    // Inherited ones too, and no Caption where the class has none.
    EXPECT_GE(label->metaObject()->indexOfProperty("Name"), 0);
    TProgressBar bar(nullptr);
    EXPECT_LT(bar.metaObject()->indexOfProperty("Caption"), 0);
}

TEST(Controls, KeysAndColoursKeepTheDesignedPlatformsValues) {
    EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F4), VK_F4);
    EXPECT_EQ(VirtualKeyFromQt(Qt::Key_R), 0x52);
    EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Delete), 0x2E);
    EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Enter), VK_RETURN);
    EXPECT_EQ(QtKeyFromVirtualKey(VK_RETURN), Qt::Key_Return);
    EXPECT_EQ(QtKeyFromVirtualKey(0x45), Qt::Key_E);
    EXPECT_EQ(ShiftStateFromQt(Qt::AltModifier | Qt::ShiftModifier), ssAlt | ssShift);
    EXPECT_EQ(ColorToQColor(0x00FF8000), QColor(0x00, 0x80, 0xFF));
    EXPECT_EQ(ColorToQColor(clBtnFace), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
    EXPECT_EQ(MakeFont("Tahoma", -11).pixelSize(), 11);
    EXPECT_EQ(Screen()->Width(), QGuiApplication::primaryScreen()->geometry().width());
}

TEST(Controls, TimerHandlerExceptionsAreShown) {
    ScopedDialogs dialogs;
    TTimer timer(nullptr);
    QEventLoop loop;
    timer.SetInterval(1);
    timer.OnTimer = [&](TComponent*) {
        timer.SetEnabled(false);
        loop.quit();
        throw Exception("timer failed");
    };
    loop.exec();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "timer failed");
}

#include "test_forms.moc"
