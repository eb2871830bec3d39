#include "common/scriptedprompts.h"

#include <QDebug>
#include <QDialog>

ScriptedPrompts &ScriptedPrompts::answerQuestion(QMessageBox::StandardButton button)
{
    Answer answer;
    answer.kind = Question;
    answer.button = button;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerInformation(QMessageBox::StandardButton button)
{
    Answer answer;
    answer.kind = Information;
    answer.button = button;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerWarning(QMessageBox::StandardButton button)
{
    Answer answer;
    answer.kind = Warning;
    answer.button = button;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerCritical(QMessageBox::StandardButton button)
{
    Answer answer;
    answer.kind = Critical;
    answer.button = button;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerChoice(const QString &button)
{
    Answer answer;
    answer.kind = Choice;
    answer.text = button;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerOpenFile(const QString &path)
{
    Answer answer;
    answer.kind = OpenFile;
    answer.text = path;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerSaveFile(const QString &path)
{
    Answer answer;
    answer.kind = SaveFile;
    answer.text = path;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerDouble(double value, bool ok)
{
    Answer answer;
    answer.kind = Double;
    answer.value = value;
    answer.ok = ok;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerText(const QString &text, bool ok)
{
    Answer answer;
    answer.kind = Text;
    answer.text = text;
    answer.ok = ok;
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::answerDialog(std::function<void(QDialog *)> act)
{
    Answer answer;
    answer.kind = Dialog;
    answer.act = std::move(act);
    return queue(answer);
}

ScriptedPrompts &ScriptedPrompts::acceptDialog()
{
    return answerDialog([](QDialog *dialog) { dialog->accept(); });
}

ScriptedPrompts &ScriptedPrompts::rejectDialog()
{
    return answerDialog([](QDialog *dialog) { dialog->reject(); });
}

QString ScriptedPrompts::report() const
{
    QStringList lines = m_errors;
    for (const Answer &answer : m_answers)
        lines << QStringLiteral("Answer never asked for: %1").arg(kindName(answer.kind));
    if (lines.isEmpty())
        return QStringLiteral("All prompts answered as scripted");
    return lines.join(QLatin1Char('\n'));
}

QString ScriptedPrompts::kindName(Kind kind)
{
    switch (kind) {
    case Question:
        return QStringLiteral("question");
    case Information:
        return QStringLiteral("information");
    case Warning:
        return QStringLiteral("warning");
    case Critical:
        return QStringLiteral("critical");
    case OpenFile:
        return QStringLiteral("open-file dialog");
    case SaveFile:
        return QStringLiteral("save-file dialog");
    case Double:
        return QStringLiteral("number dialog");
    case Text:
        return QStringLiteral("text dialog");
    case Dialog:
        return QStringLiteral("dialog");
    case Choice:
        return QStringLiteral("choice");
    }
    return QString();
}

ScriptedPrompts &ScriptedPrompts::queue(Answer answer)
{
    m_answers.append(std::move(answer));
    return *this;
}

bool ScriptedPrompts::take(Kind kind, const QString &title, const QString &text, Answer *answer)
{
    m_calls.append({ kind, title, text });
    QString error;
    if (m_answers.isEmpty())
        error = QStringLiteral("Unexpected %1 \"%2\": %3").arg(kindName(kind), title, text);
    else if (m_answers.first().kind != kind)
        error = QStringLiteral("Expected a %1 but got a %2 \"%3\": %4")
                    .arg(kindName(m_answers.first().kind), kindName(kind), title, text);
    if (!error.isEmpty()) {
        qWarning().noquote() << "ScriptedPrompts:" << error;
        m_errors.append(error);
        return false;
    }
    *answer = m_answers.takeFirst();
    return true;
}

QMessageBox::StandardButton ScriptedPrompts::messageBox(
    Kind kind, const QString &title, const QString &text, QMessageBox::StandardButtons buttons)
{
    Answer answer;
    if (!take(kind, title, text, &answer))
        return QMessageBox::NoButton;
    if (!(buttons & answer.button)) {
        const QString error = QStringLiteral("The %1 \"%2\" offers no button %3")
                                  .arg(kindName(kind), title)
                                  .arg(int(answer.button), 0, 16);
        qWarning().noquote() << "ScriptedPrompts:" << error;
        m_errors.append(error);
        return QMessageBox::NoButton;
    }
    return answer.button;
}

QMessageBox::StandardButton ScriptedPrompts::question(QWidget *, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton)
{
    return messageBox(Question, title, text, buttons);
}

QMessageBox::StandardButton ScriptedPrompts::information(QWidget *, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton)
{
    return messageBox(Information, title, text, buttons);
}

QMessageBox::StandardButton ScriptedPrompts::warning(QWidget *, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton)
{
    return messageBox(Warning, title, text, buttons);
}

QMessageBox::StandardButton ScriptedPrompts::critical(QWidget *, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton)
{
    return messageBox(Critical, title, text, buttons);
}

int ScriptedPrompts::choose(
    QWidget *, const QString &title, const QString &text, const QStringList &buttons)
{
    Answer answer;
    if (!take(Choice, title, text, &answer) || answer.text.isEmpty())
        return -1;
    const int index = buttons.indexOf(answer.text);
    if (index < 0) {
        const QString error = QStringLiteral("The choice \"%1\" offers no button \"%2\" (%3)")
                                  .arg(title, answer.text, buttons.join(QStringLiteral(", ")));
        qWarning().noquote() << "ScriptedPrompts:" << error;
        m_errors.append(error);
    }
    return index;
}

QString ScriptedPrompts::getOpenFileName(
    QWidget *, const QString &caption, const QString &, const QString &filter, QString *)
{
    Answer answer;
    return take(OpenFile, caption, filter, &answer) ? answer.text : QString();
}

QString ScriptedPrompts::getSaveFileName(
    QWidget *, const QString &caption, const QString &, const QString &filter, QString *)
{
    Answer answer;
    return take(SaveFile, caption, filter, &answer) ? answer.text : QString();
}

double ScriptedPrompts::getDouble(QWidget *, const QString &title, const QString &label,
    double value, double, double, int, bool *ok)
{
    Answer answer;
    const bool taken = take(Double, title, label, &answer);
    if (ok)
        *ok = taken && answer.ok;
    return taken ? answer.value : value;
}

QString ScriptedPrompts::getText(
    QWidget *, const QString &title, const QString &label, const QString &text, bool *ok)
{
    Answer answer;
    const bool taken = take(Text, title, label, &answer);
    if (ok)
        *ok = taken && answer.ok;
    return taken ? answer.text : text;
}

int ScriptedPrompts::exec(QDialog *dialog)
{
    Answer answer;
    if (!take(Dialog, dialog->windowTitle(), QString::fromLatin1(dialog->metaObject()->className()),
            &answer))
        return QDialog::Rejected;
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    answer.act(dialog);
    if (dialog->isVisible()) {
        const QString error = QStringLiteral("The dialog \"%1\" was left open by the script")
                                  .arg(dialog->windowTitle());
        qWarning().noquote() << "ScriptedPrompts:" << error;
        m_errors.append(error);
        dialog->reject();
    }
    return dialog->result();
}

bool ScriptedPrompts::openUrl(const QUrl &url)
{
    m_openedUrls.append(url);
    return m_openUrlResult;
}
