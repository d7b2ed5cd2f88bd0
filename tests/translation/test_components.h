#pragma once
// Components with published properties of every kind the translator tells apart.

#include "platform/system/exceptions.h"
#include "platform/vcl/component.h"

#include <QString>
#include <QStringList>

class TTestControl : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QString Strict READ Strict WRITE SetStrict)

public:
    TTestControl(TComponent* owner, const QString& name) : TComponent(owner) { SetName(name); }

    QString Caption() const { return caption_; }
    void SetCaption(const QString& s) { caption_ = s; ++captionWrites; }
    QString Hint() const { return hint_; }
    void SetHint(const QString& s) { hint_ = s; }
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    uint Color() const { return color_; }
    void SetColor(uint c) { color_ = c; }
    QStringList Items() const { return items_; }
    void SetItems(const QStringList& items) { items_ = items; }
    double Ratio() const { return ratio_; }
    void SetRatio(double r) { ratio_ = r; }
    // A setter that refuses every text but "ok".
    QString Strict() const { return strict_; }
    void SetStrict(const QString& s) {
        if (s != QLatin1String("ok")) throw Exception(QStringLiteral("refused: ") + s);
        strict_ = s;
    }

    int captionWrites = 0;

private:
    QString caption_ = QStringLiteral("designed");
    QString hint_;
    int width_ = 100;
    uint color_ = 0;
    QStringList items_{QStringLiteral("designed item")};
    double ratio_ = 1.5;
    QString strict_;
};

// A form: a control class further down, so Caption and Width are inherited properties.
class TTestForm : public TTestControl {
    Q_OBJECT
    Q_PROPERTY(QString Extra READ Extra WRITE SetExtra)

public:
    using TTestControl::TTestControl;
    QString Extra() const { return extra_; }
    void SetExtra(const QString& s) { extra_ = s; }

private:
    QString extra_;
};
