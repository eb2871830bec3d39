#pragma once

#include "scene/userprompts.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

// A UserPrompts that answers from a script, for tests. Answers are queued in the
// order the program is expected to ask; each call takes the next answer, which
// must be of the call's kind. A call with no fitting answer is an error: it is
// recorded in errors() (and logged as a warning) and answered neutrally (no
// button, cancelled dialog, rejected dialog), so a test checks
// QVERIFY2(prompts->ok(), qPrintable(prompts->report())) at its end.
class ScriptedPrompts : public UserPrompts
{
public:
    enum Kind
    {
        Question,
        Information,
        Warning,
        Critical,
        OpenFile,
        SaveFile,
        Double,
        Text,
        Dialog,
        Choice,
    };

    struct Call
    {
        Kind kind = Question;
        QString title; // window title of the box or dialog
        QString text; // message, label, file filter, or the dialog's class name
    };

    // Installs a new instance on a window that has setPrompts(std::unique_ptr<UserPrompts>)
    // and returns it; the window owns it.
    template <class Window> static ScriptedPrompts *installOn(Window &window)
    {
        auto prompts = std::make_unique<ScriptedPrompts>();
        ScriptedPrompts *raw = prompts.get();
        window.setPrompts(std::move(prompts));
        return raw;
    }

    ScriptedPrompts &answerQuestion(QMessageBox::StandardButton button);
    ScriptedPrompts &answerInformation(QMessageBox::StandardButton button = QMessageBox::Ok);
    ScriptedPrompts &answerWarning(QMessageBox::StandardButton button = QMessageBox::Ok);
    ScriptedPrompts &answerCritical(QMessageBox::StandardButton button = QMessageBox::Ok);
    // Chooses the button named button; an empty name closes the box without one.
    ScriptedPrompts &answerChoice(const QString &button);
    // An empty path answers as a cancelled dialog.
    ScriptedPrompts &answerOpenFile(const QString &path);
    ScriptedPrompts &answerSaveFile(const QString &path);
    ScriptedPrompts &answerDouble(double value, bool ok = true);
    ScriptedPrompts &answerText(const QString &text, bool ok = true);
    // The dialog is shown (not modally) and handed to act, which must finish it
    // (accept(), reject(), close(), a button click); exec() then returns its result.
    ScriptedPrompts &answerDialog(std::function<void(QDialog *)> act);
    ScriptedPrompts &acceptDialog();
    ScriptedPrompts &rejectDialog();

    const QList<Call> &calls() const { return m_calls; }
    const QStringList &errors() const { return m_errors; }
    const QList<QUrl> &openedUrls() const { return m_openedUrls; }
    // Answers queued but never asked for.
    int pending() const { return m_answers.size(); }
    // No unexpected call and no answer left over.
    bool ok() const { return m_errors.isEmpty() && m_answers.isEmpty(); }
    QString report() const;
    void setOpenUrlResult(bool result) { m_openUrlResult = result; }

    static QString kindName(Kind kind);

    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton information(QWidget *parent, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) override;
    int choose(QWidget *parent, const QString &title, const QString &text,
        const QStringList &buttons) override;
    QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
        const QString &filter, QString *selectedFilter) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
        const QString &filter, QString *selectedFilter) override;
    double getDouble(QWidget *parent, const QString &title, const QString &label, double value,
        double min, double max, int decimals, bool *ok) override;
    QString getText(QWidget *parent, const QString &title, const QString &label,
        const QString &text, bool *ok) override;
    int exec(QDialog *dialog) override;
    bool openUrl(const QUrl &url) override;

private:
    struct Answer
    {
        Kind kind = Question;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString text;
        double value = 0;
        bool ok = true;
        std::function<void(QDialog *)> act;
    };

    ScriptedPrompts &queue(Answer answer);
    // The next answer if it is of this kind; otherwise records the error.
    bool take(Kind kind, const QString &title, const QString &text, Answer *answer);
    QMessageBox::StandardButton messageBox(
        Kind kind, const QString &title, const QString &text, QMessageBox::StandardButtons buttons);

    QList<Answer> m_answers;
    QList<Call> m_calls;
    QStringList m_errors;
    QList<QUrl> m_openedUrls;
    bool m_openUrlResult = true;
};
