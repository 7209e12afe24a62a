// The option tables against what the program does with them: every command refuses what its
// table does not take, says in --help all that it takes, and its completions load.
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <cstdio>

using namespace fixtures;

namespace {

class OptionTableTest : public CliFixture {
protected:
    // The tables as the program writes them for its man page and completions.
    QJsonArray commands() {
        const QString table = cli({"--generate", "table", "-"});
        EXPECT_EQ(code, 0) << err.toStdString();
        return QJsonDocument::fromJson(table.toUtf8()).object().value("commands").toArray();
    }
    // A value the option takes.
    static QString goodValue(const QJsonObject& option) {
        const QString type = option["type"].toString();
        if (type == "choice")
            return option["choices"].toArray().first().toString();
        if (type == "int" || type == "number")
            return QString::number(option.contains("low") ? option["low"].toDouble() : 1);
        return "x";
    }
    // Runs the generator into the scratch folder; returns the file.
    QString generated(const QString& kind) {
        const QString path = dir.filePath("completion." + kind);
        cli({"--generate", kind, path});
        EXPECT_EQ(code, 0) << err.toStdString();
        return path;
    }
};

TEST_F(OptionTableTest, EveryCommandRefusesWhatItsTableDoesNotTakeNamingTheOption) {
    const QJsonArray table = commands();
    ASSERT_GE(table.size(), 15);
    for (const QJsonValue& entry : table) {
        const QString name = entry["name"].toString();
        const auto refused = [&](const QStringList& args, const QString& named) {
            cli(QStringList{name} + args);
            EXPECT_EQ(code, 2) << name.toStdString() << " " << args.join(' ').toStdString();
            EXPECT_TRUE(err.contains(named.toUtf8())) << err.toStdString();
            EXPECT_EQ(err.count('\n'), 2) << err.toStdString(); // the reason, the usage line
        };
        refused({"FILE", "--frobnicate", "x"}, "unknown option --frobnicate");
        refused({"-Z", "FILE"}, "unknown option -Z");
        for (const QJsonValue& option : entry["options"].toArray()) {
            const QString option_ = option["name"].toString(), type = option["type"].toString();
            if (type == "flag") {
                if (option_ != "--help")
                    refused({option_ + "=1"}, option_);
                continue;
            }
            refused({"FILE", option_}, option_ + " needs a value");
            if (const QString alias = option["alias"].toString(); !alias.isEmpty())
                refused({"FILE", alias}, alias + " needs a value");
            if (type == "int" || type == "number" || type == "choice")
                refused({option_, "2x"}, option_);
            if (option.toObject().contains("high"))
                refused({option_, QString::number(option["high"].toDouble() + 1)}, option_);
            if (option.toObject().contains("low"))
                refused({option_, QString::number(option["low"].toDouble() - 1)}, option_);
        }
    }
}

TEST_F(OptionTableTest, HelpListsEveryOptionTheParserTakesAndNoOther) {
    static const QRegularExpression listed(QStringLiteral("^(?:  (-\\w), |      )(--[\\w-]+)"),
                                           QRegularExpression::MultilineOption);
    const QJsonArray table = commands();
    QStringList names;
    for (const QJsonValue& entry : table) {
        const QString name = entry["name"].toString();
        names << name;
        const QString help = cli({name, "--help"});
        EXPECT_EQ(code, 0) << name.toStdString();
        EXPECT_TRUE(help.startsWith("Usage: vellumark-cli " + name + " ")) << help.toStdString();
        QSet<QString> inHelp, inTable;
        const QString options = help.section("\nOptions:\n", 1).section("\n\n", 0, 0);
        for (auto it = listed.globalMatch(options); it.hasNext();) {
            const auto match = it.next();
            inHelp << match.captured(2);
            if (!match.captured(1).isEmpty())
                inHelp << match.captured(1);
        }
        for (const QJsonValue& option : entry["options"].toArray()) {
            const QString option_ = option["name"].toString();
            inTable << option_;
            if (!option["alias"].toString().isEmpty())
                inTable << option["alias"].toString();
            if (option_ == "--help")
                continue;
            // The parser takes it: what stops the run is a missing argument, never the option.
            QStringList args{name, option_};
            if (option["type"].toString() != "flag")
                args << goodValue(option.toObject());
            cli(args);
            EXPECT_EQ(code, 2) << args.join(' ').toStdString();
            EXPECT_TRUE(err.contains(" is missing") || err.contains(" is required"))
                << args.join(' ').toStdString() << ": " << err.toStdString();
            EXPECT_TRUE(help.section("\n\n", 0, 0)
                            .contains(option["alias"].toString().isEmpty()
                                          ? option_
                                          : option["alias"].toString()))
                << "the usage line lacks " << option_.toStdString();
        }
        EXPECT_EQ(inHelp, inTable) << help.toStdString();
    }
    // The overview lists the same commands.
    const QString overview = cli({"--help"});
    for (const QString& name : names)
        EXPECT_TRUE(overview.contains("\n  " + name + " ")) << name.toStdString();
}

TEST_F(OptionTableTest, TheGeneratedCompletionsLoadAndOfferTheTable) {
    const QString bash = generated("bash");
    runTool("bash", {"-n", bash}, &code, &err);
    EXPECT_EQ(code, 0) << err.toStdString();
    // Completed as bash would: the option, the first argument's choices, the commands.
    const QString offered = QString::fromUtf8(runTool(
        "bash",
        {"-c", QStringLiteral("source '%1'\n"
                              "ask() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1));\n"
                              "  COMPREPLY=(); _vellumark_cli; echo \"${COMPREPLY[*]}\"; }\n"
                              "ask vellumark-cli render --sc; ask vellumark-cli pages ins;"
                              "ask vellumark-cli render f --scale ''; ask vellumark-cli te")
                   .arg(bash)}));
    EXPECT_EQ(offered, "--scale\ninsert-blank insert\n\ntext text-to-pdf\n");
    for (const QString shell : {"zsh", "fish"}) {
        if (!toolAvailable(shell)) {
            std::printf("%s is not installed: its completion is not checked\n", qPrintable(shell));
            continue;
        }
        const QString file = generated(shell);
        runTool(shell, {"-n", file}, &code, &err);
        EXPECT_EQ(code, 0) << shell.toStdString() << ": " << err.toStdString();
    }
    if (toolAvailable("fish")) {
        const QString asked =
            QString::fromUtf8(runTool("fish",
                                      {"-c", "source '" + generated("fish") +
                                                 "'; complete -C 'vellumark-cli watermark --op'; "
                                                 "complete -C 'vellumark-cli pages spl'"},
                                      &code, &err));
        EXPECT_TRUE(asked.startsWith("--opacity\t")) << asked.toStdString() << err.toStdString();
        EXPECT_TRUE(asked.contains("\nsplit\t")) << asked.toStdString();
    }
}

} // namespace
