#pragma once

#include "browser/planpage.h"

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace zq {

// Stands in for the browser: the test sets the page's globals and reads what was navigated
// and run. Reads answer on the event loop, as the real engine does.
class FakePlanPage final : public PlanPage
{
public:
    explicit FakePlanPage(QWidget *parent) : m_widget(new QWidget(parent)) {}

    QWidget *widget() override { return m_widget; }
    void navigate(const QString &url) override { navigations.append(url); }
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context, GlobalsCallback done) override
    {
        ++reads;
        QStringList values;
        for (const QString &name : names)
            values.append(maxLength >= 0 ? globals.value(name).left(maxLength) : globals.value(name));
        QPointer<QObject> guard = context;
        QTimer::singleShot(0, this, [this, guard, values, done] {
            if (guard)
                done(values);
            ++answered;
        });
    }
    void runScript(const QString &script) override { scripts.append(script); }
    void serviceAnswered() override { ++serviceAnswers; }
    void setSilent(bool on) override { silent = on; }

    QMap<QString, QString> globals;
    QStringList navigations;
    QStringList scripts;
    int reads = 0;
    int answered = 0; // reads whose answer has been handed over
    int serviceAnswers = 0;
    bool silent = false;

private:
    QWidget *m_widget;
};

} // namespace zq
