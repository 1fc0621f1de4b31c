// tesmora-completion OUT-DIR NAME=PROGRAM...: writes shell completion for bash, zsh and fish.
// Each program's options are read off its own --help, which its parser writes, so that no
// option is forgotten; the fixed choices come from the settings table, the flow names from the
// analytic flows and the data files' extensions from the readers. Run by the build, not
// installed.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/settings_table.h"
#include "formats/format_reader.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

// What a word on the command line stands for.
enum class Value {
    None,    // a switch
    Free,    // a number or some other text: nothing to offer
    File,    // any file
    Data,    // a data set, by the readers' extensions
    Gri,     // a geometry file to write
    Choice,  // one of fixed words
    Flow,    // an analytic flow's name
};

struct Option {
    QString shortName;  // without its dash; may be empty
    QString longName;   // without its dashes
    QString help;       // the first sentence, for the shells that show one
    Value value = Value::None;
    QStringList words;  // a choice's words
};

struct Program {
    QString name;
    std::vector<Option> options;
    // What the positional arguments are, in order; the last one repeats when REPEATS.
    std::vector<Value> positional;
    bool repeats = false;
};

QStringList DataExtensions() {
    QStringList extensions{QStringLiteral("gri")};
    for (const std::string& pattern : formats::AcceptedPatterns())
        extensions << QString::fromStdString(pattern.substr(2));  // "*.csv" -> "csv"
    return extensions;
}

QStringList FlowWords() {
    QStringList words;
    for (const std::string& flow : FlowNames()) words << QString::fromStdString(flow);
    return words;
}

// The option's value, from the settings table where it has a row, else from its value name.
void Classify(Option& o, const QString& valueName) {
    if (valueName.isEmpty()) return;
    o.value = Value::Free;
    if (const settings::Row* row = settings::Find(o.longName.toStdString())) {
        if (row->kind == settings::Kind::Choice) {
            o.value = Value::Choice;
            for (const settings::Word& w : row->choices) o.words << QString::fromLatin1(w.word);
        }
        return;
    }
    if (o.longName == QLatin1String("format")) {
        o.value = Value::Choice;
        o.words = {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")};
    } else if (valueName == QLatin1String("FILE") || valueName == QLatin1String("OUTPUT")) {
        o.value = Value::File;
    }
}

// The first sentence of a help text, cut after a clause where it is long, for the shells that
// show it beside the option.
QString Summary(const QString& help) {
    QString first = help.section(QStringLiteral(". "), 0, 0);
    constexpr qsizetype kLongest = 70;
    if (first.size() > kLongest) {
        const qsizetype cut = std::max({first.lastIndexOf(QLatin1Char(','), kLongest),
                                        first.lastIndexOf(QLatin1Char(';'), kLongest),
                                        first.lastIndexOf(QLatin1Char(':'), kLongest)});
        first = cut > 20 ? first.left(cut) : first.left(first.lastIndexOf(QLatin1Char(' '), kLongest));
    }
    // A bracket the cut left open is cut off with what it began.
    if (first.count(QLatin1Char('(')) > first.count(QLatin1Char(')')))
        first = first.left(first.lastIndexOf(QLatin1Char('('))).trimmed();
    return first.remove(QRegularExpression(QStringLiteral("[.:,;]$")));
}

// The options a program's --help lists: "  -o, --output <FILE>  Text..." and the lines that
// carry the text on.
std::vector<Option> OptionsOf(const QString& path, QString* error) {
    QProcess run;
    run.start(path, {QStringLiteral("--help")});
    if (!run.waitForFinished(60000) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
        *error = path + QStringLiteral(" --help failed");
        return {};
    }
    static const QRegularExpression line(
        QStringLiteral(R"(^  (?:-(\w|\?), )?--([\w-]+)(?: <([^>]+)>)?\s+(\S.*)$)"));
    static const QRegularExpression more(QStringLiteral(R"(^ {8,}(\S.*)$)"));
    std::vector<Option> options;
    for (const QString& text : QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        // A help text goes on, indented, on the lines below its option.
        if (const QRegularExpressionMatch m = more.match(text); m.hasMatch() && !options.empty()) {
            options.back().help += QLatin1Char(' ') + m.captured(1);
            continue;
        }
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch()) continue;
        Option o;
        o.shortName = m.captured(1) == QLatin1String("?") ? QString() : m.captured(1);
        o.longName = m.captured(2);
        o.help = m.captured(4);
        Classify(o, m.captured(3));
        options.push_back(o);
    }
    for (Option& o : options) o.help = Summary(o.help);
    if (options.empty()) *error = path + QStringLiteral(" --help lists no options");
    return options;
}

QString Quoted(const QString& text) {
    QString q = text;
    return QLatin1Char('\'') + q.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

QString Identifier(const QString& name) {
    QString id = name;
    return id.replace(QLatin1Char('-'), QLatin1Char('_'));
}

// --- bash: one file per program, as bash-completion loads them by the command's name ---------

QString BashWords(const Program& p, Value value) {
    switch (value) {
        case Value::Data:
            return QStringLiteral("_tesmora_files %1").arg(DataExtensions().join(QLatin1Char(' ')));
        case Value::Gri:
            return QStringLiteral("_tesmora_files gri");
        case Value::File:
            return QStringLiteral("_tesmora_files");
        case Value::Flow:
            return QStringLiteral("COMPREPLY=($(compgen -W %1 -- \"$cur\"))")
                .arg(Quoted(FlowWords().join(' ')));
        default:
            (void)p;
            return QStringLiteral("COMPREPLY=()");
    }
}

QString Bash(const Program& p) {
    QString s;
    s += QStringLiteral("# bash completion for %1, written by tesmora-completion from its options.\n")
             .arg(p.name);
    s += QStringLiteral(
        "_tesmora_files() {\n"
        "    # Folders, and the files whose extension is one of the arguments (any file without one).\n"
        "    local f e ext\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    while IFS= read -r f; do\n"
        "        if [[ -d $f || $# -eq 0 ]]; then COMPREPLY+=(\"$f\"); continue; fi\n"
        "        ext=${f##*.}\n"
        "        for e in \"$@\"; do [[ ${ext,,} == \"$e\" && $f == *.* ]] && COMPREPLY+=(\"$f\") && break; "
        "done\n"
        "    done < <(compgen -f -- \"$cur\")\n"
        "}\n");
    const QString fn = QStringLiteral("_") + Identifier(p.name);
    s += fn +
         QStringLiteral("() {\n    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n");
    s += QStringLiteral("    COMPREPLY=()\n    case $prev in\n");
    QStringList all, takesValue, free;
    for (const Option& o : p.options) {
        QStringList names{QStringLiteral("--") + o.longName};
        if (!o.shortName.isEmpty()) names.prepend(QStringLiteral("-") + o.shortName);
        all << names;
        if (o.value == Value::None) continue;
        takesValue << names;
        // A number or some text of its own: nothing to offer, and no file either.
        if (o.value == Value::Free) {
            free << names;
            continue;
        }
        s += QStringLiteral("        %1)\n            ").arg(names.join(QLatin1Char('|')));
        if (o.value == Value::Choice)
            s += QStringLiteral("COMPREPLY=($(compgen -W %1 -- \"$cur\"))").arg(Quoted(o.words.join(' ')));
        else
            s += BashWords(p, o.value);
        s += QStringLiteral("\n            return ;;\n");
    }
    if (!free.isEmpty()) s += QStringLiteral("        %1) return ;;\n").arg(free.join(QLatin1Char('|')));
    s += QStringLiteral("    esac\n");
    s += QStringLiteral(
             "    if [[ $cur == -* ]]; then\n        COMPREPLY=($(compgen -W %1 -- \"$cur\"))\n"
             "        return\n    fi\n")
             .arg(Quoted(all.join(' ')));
    // Which positional argument is being typed: the words before it less options and their values.
    s += QStringLiteral(
        "    local i n=0 word\n    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        word=${COMP_WORDS[i]}\n        case $word in\n");
    if (!takesValue.isEmpty()) s += QStringLiteral("            %1) ((i++)) ;;\n").arg(takesValue.join('|'));
    s += QStringLiteral(
        "            -*) ;;\n            *) ((n++)) ;;\n        esac\n    done\n    case $n in\n");
    for (std::size_t k = 0; k < p.positional.size(); ++k) {
        const bool last = k + 1 == p.positional.size();
        s += QStringLiteral("        %1) %2 ;;\n")
                 .arg(last && p.repeats ? QStringLiteral("*") : QString::number(k),
                      BashWords(p, p.positional[k]));
    }
    s += QStringLiteral("    esac\n}\ncomplete -F %1 %2\n").arg(fn, p.name);
    return s;
}

// --- zsh: one function file for every program ------------------------------------------------

QString ZshAction(Value value, const QStringList& words) {
    switch (value) {
        case Value::Choice:
            return QStringLiteral("(%1)").arg(words.join(' '));
        case Value::Flow:
            return QStringLiteral("(%1)").arg(FlowWords().join(' '));
        case Value::File:
            return QStringLiteral("_files");
        case Value::Data:
            return QStringLiteral("_files -g \"*.(#i)(%1)\"").arg(DataExtensions().join('|'));
        case Value::Gri:
            return QStringLiteral("_files -g \"*.(#i)gri\"");
        default:
            return QStringLiteral(" ");
    }
}

QString ZshDescription(const QString& help) {
    QString d = help;
    d.replace(QRegularExpression(QStringLiteral("[\\[\\]:'\\\\]")), QStringLiteral(" "));
    return d;
}

QString Zsh(const std::vector<Program>& programs) {
    QStringList names;
    for (const Program& p : programs) names << p.name;
    QString s =
        QStringLiteral(
            "#compdef %1\n# zsh completion, written by tesmora-completion from the programs' options.\n\n")
            .arg(names.join(' '));
    s += QStringLiteral("case $service in\n");
    for (const Program& p : programs) {
        s += QStringLiteral("  %1)\n    _arguments -s \\\n").arg(p.name);
        for (const Option& o : p.options) {
            const QString help = ZshDescription(o.help);
            const QString value = o.value == Value::None
                                      ? QString()
                                      : QStringLiteral(":%1:%2").arg(o.longName, ZshAction(o.value, o.words));
            if (o.shortName.isEmpty())
                s += QStringLiteral("      '--%1[%2]%3' \\\n").arg(o.longName, help, value);
            else
                s += QStringLiteral("      '(-%1 --%2)'{-%1,--%2}'[%3]%4' \\\n")
                         .arg(o.shortName, o.longName, help, value);
        }
        for (std::size_t k = 0; k < p.positional.size(); ++k) {
            const bool last = k + 1 == p.positional.size();
            s += QStringLiteral("      '%1:%2:%3' \\\n")
                     .arg(last && p.repeats ? QStringLiteral("*") : QString::number(k + 1),
                          p.positional[k] == Value::Flow ? QStringLiteral("flow") : QStringLiteral("file"),
                          ZshAction(p.positional[k], {}));
        }
        s += QStringLiteral("      && return 0\n    ;;\n");
    }
    s += QStringLiteral("esac\nreturn 1\n");
    return s;
}

// --- fish: one file per program --------------------------------------------------------------

QString Fish(const Program& p) {
    QString s = QStringLiteral("# fish completion for %1, written by tesmora-completion from its options.\n")
                    .arg(p.name);
    const QString c = QStringLiteral("complete -c ") + p.name;
    for (const Option& o : p.options) {
        s += c;
        if (!o.shortName.isEmpty()) s += QStringLiteral(" -s ") + o.shortName;
        s += QStringLiteral(" -l ") + o.longName;
        if (o.value == Value::Choice)
            s += QStringLiteral(" -x -a ") + Quoted(o.words.join(' '));
        else if (o.value == Value::File)
            s += QStringLiteral(" -r -F");
        else if (o.value != Value::None)
            s += QStringLiteral(" -x");
        s += QStringLiteral(" -d ") + Quoted(o.help) + QLatin1Char('\n');
    }
    QStringList suffixes;
    for (const QString& e : DataExtensions())
        suffixes << QStringLiteral("(__fish_complete_suffix .%1)").arg(e);
    // The positional arguments: counted as the words typed so far that are not options.
    const QString count = QStringLiteral("test (count (string match -v -- '-*' (commandline -opc))) -eq %1");
    for (std::size_t k = 0; k < p.positional.size(); ++k) {
        const bool last = k + 1 == p.positional.size();
        const QString when = last && p.repeats
                                 ? QStringLiteral("not string match -q -- '-*' (commandline -ct)")
                                 : count.arg(k + 1);
        QString args;
        switch (p.positional[k]) {
            case Value::Data:
                args = suffixes.join(' ');
                break;
            case Value::Gri:
                args = QStringLiteral("(__fish_complete_suffix .gri)");
                break;
            case Value::Flow:
                args = FlowWords().join(' ');
                break;
            default:
                break;
        }
        s += QStringLiteral("%1 -n %2 -f -a %3\n").arg(c, Quoted(when), Quoted(args));
    }
    return s;
}

bool Write(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "tesmora-completion: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: tesmora-completion OUT-DIR NAME=PROGRAM...\n");
        return 2;
    }
    const QDir out(arguments[1]);
    for (const char* sub : {"bash", "zsh", "fish"}) out.mkpath(QString::fromLatin1(sub));
    std::vector<Program> programs;
    for (const QString& pair : arguments.mid(2)) {
        Program p;
        p.name = pair.section(QLatin1Char('='), 0, 0);
        QString error;
        p.options = OptionsOf(pair.section(QLatin1Char('='), 1), &error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "tesmora-completion: %s\n", qPrintable(error));
            return 1;
        }
        if (p.name == QLatin1String("tesmora-flowgen")) {
            p.positional = {Value::Flow, Value::Gri};
        } else if (p.name == QLatin1String("tesmora-convert")) {
            p.positional = {Value::Data, Value::Gri};
        } else {
            p.positional = {Value::Data};
            // The viewer opens one file; the tools take several.
            p.repeats = p.name != QLatin1String("tesmora");
        }
        programs.push_back(std::move(p));
    }
    bool written = Write(out.filePath(QStringLiteral("zsh/_tesmora")), Zsh(programs));
    for (const Program& p : programs) {
        written = Write(out.filePath(QStringLiteral("bash/") + p.name), Bash(p)) && written;
        written = Write(out.filePath(QStringLiteral("fish/") + p.name + QStringLiteral(".fish")), Fish(p)) &&
                  written;
    }
    return written ? 0 : 1;
}
