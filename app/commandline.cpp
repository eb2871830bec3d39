#include "app/commandline.h"

#include "app/versioninfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QCommandLineOption &helpOption()
{
    static const QCommandLineOption option({ QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Показать эту справку и выйти."));
    return option;
}

const QCommandLineOption &versionOption()
{
    static const QCommandLineOption option({ QStringLiteral("v"), QStringLiteral("version") },
        QStringLiteral("Показать версию программы и выйти."));
    return option;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOption(helpOption());
    parser.addOption(versionOption());
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ.prj"),
        QStringLiteral("Файл проекта, который открывается при запуске."),
        QStringLiteral("[ФАЙЛ.prj]"));

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = Fail;
        const QStringList unknown = parser.unknownOptionNames();
        line.message = unknown.isEmpty()
            ? parser.errorText()
            : QStringLiteral("неизвестный параметр %1")
                  .arg((unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"))
                      + unknown.first());
        return line;
    }
    if (parser.isSet(helpOption())) {
        line.action = ShowHelp;
        return line;
    }
    if (parser.isSet(versionOption())) {
        line.action = ShowVersion;
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        line.action = Fail;
        line.message = QStringLiteral("можно открыть только один файл проекта");
        return line;
    }
    if (!files.isEmpty())
        line.file = files.first();
    return line;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Использование: zor-position [параметры] [ФАЙЛ.prj]\n"
        "Конфигуратор зон контроля извещателей пламени: план помещения, препятствия,\n"
        "извещатели и их зоны контроля.\n"
        "\n"
        "Параметры:\n"
        "  -h, --help     Показать эту справку и выйти.\n"
        "  -v, --version  Показать версию программы и выйти.\n"
        "\n"
        "Аргументы:\n"
        "  ФАЙЛ.prj       Файл проекта, который открывается при запуске.\n");
}

QString CommandLine::versionText()
{
    const VersionRecord record = compiledVersionRecord();
    return QStringLiteral("zor-position %1\n")
        .arg(record.value(versionQueryPath(QStringLiteral("ProductVersion"), kVersionStringTable)));
}
