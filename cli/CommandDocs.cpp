#include "cli/CommandDocs.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace zarn::cli {

namespace {

    std::vector<const CLI::App*> subcommandsOf(const CLI::App& app)
    {
        return app.get_subcommands([](const CLI::App*) { return true; });
    }

    // Everything but the subcommand's -h,--help, in the order it was added.
    std::vector<const CLI::Option*> optionsOf(const CLI::App& app, bool positional)
    {
        return app.get_options([&](const CLI::Option* o) {
            return o != app.get_help_ptr() && o != app.get_version_ptr() && o->get_positional() == positional;
        });
    }

    bool isFlag(const CLI::Option& o) { return o.get_expected_max() == 0; }

    bool repeatable(const CLI::Option& o) { return o.get_items_expected_max() > 1; }

    std::string lower(std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }

    bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

    // "INT:INT in [1 - 12]" -> "INT"; "TEXT:{4M,8M}" -> "TEXT".
    std::string valueName(const CLI::Option& o)
    {
        const std::string type = o.get_type_name();
        return type.substr(0, type.find(':'));
    }

    // "INT:INT in [1 - 12]" -> "INT in [1 - 12]": what the option checks, if anything.
    std::string valueCheck(const CLI::Option& o)
    {
        const std::string type = o.get_type_name();
        const auto colon = type.find(':');
        return colon == std::string::npos ? std::string() : type.substr(colon + 1);
    }

    // The values of an option checked against a set: "{4M,8M,16M,32M}".
    std::vector<std::string> wordsOf(const CLI::Option& o)
    {
        const std::string type = o.get_type_name();
        const auto open = type.find('{');
        const auto close = type.find('}', open);
        std::vector<std::string> words;
        if (open == std::string::npos || close == std::string::npos)
            return words;
        std::stringstream list(type.substr(open + 1, close - open - 1));
        for (std::string word; std::getline(list, word, ',');)
            if (!word.empty())
                words.push_back(word);
        return words;
    }

    std::string joined(const std::vector<std::string>& words, const char* separator)
    {
        std::string text;
        for (const std::string& w : words)
            text += (text.empty() ? "" : separator) + w;
        return text;
    }

    // The names by which an option is written: "-o", "--output".
    std::vector<std::string> spellings(const CLI::Option& o)
    {
        std::vector<std::string> names;
        for (const std::string& s : o.get_snames())
            names.push_back("-" + s);
        for (const std::string& l : o.get_lnames())
            names.push_back("--" + l);
        return names;
    }

    // Text for roff: backslashes kept, dashes that start an option as minus
    // signs, and no line that roff would take for a request.
    std::string roff(const std::string& text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            const bool optionDash
                = c == '-' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '-' || text[i - 1] == '(');
            if (c == '\\')
                out += "\\e";
            else if (optionDash)
                out += "\\-";
            else
                out += c;
            if (c == '\n' && i + 1 < text.size() && (text[i + 1] == '.' || text[i + 1] == '\''))
                out += "\\&";
        }
        if (!out.empty() && (out[0] == '.' || out[0] == '\''))
            out.insert(0, "\\&");
        return out;
    }

    // A description whose lines stay lines (the module type table of new --model).
    std::string roffLines(const std::string& text)
    {
        std::string out;
        std::stringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            out += (out.empty() ? "" : "\n.br\n") + roff(line);
        return out;
    }

    std::string synopsisOf(const CLI::App& sub)
    {
        std::string text = "zarnres " + sub.get_name();
        if (!optionsOf(sub, false).empty())
            text += " [options]";
        for (const CLI::Option* p : optionsOf(sub, true))
            text += p->get_required() ? " " + p->get_name() : " [" + p->get_name() + "]";
        return text;
    }

    void writeOptionEntry(std::ostream& out, const CLI::Option& o)
    {
        out << ".TP\n";
        if (o.get_positional()) {
            out << ".I " << o.get_name() << "\n";
        } else {
            std::string names;
            for (const std::string& name : spellings(o))
                names += (names.empty() ? "" : ", ") + roff(name);
            if (isFlag(o))
                out << ".B \"" << names << "\"\n";
            else
                out << ".BI \"" << names << " \" \"" << roff(valueName(o)) << (repeatable(o) ? " ..." : "") << "\"\n";
        }
        std::string description = o.get_description();
        // What the value is checked against, unless the description lists the values already.
        const std::string check = valueCheck(o);
        const auto words = wordsOf(o);
        const bool listed = std::all_of(
            words.begin(), words.end(), [&](const std::string& w) { return contains(description, w.c_str()); });
        if (!check.empty() && !(listed && !words.empty()))
            description += (contains(description, "\n") ? "\nAccepted: " : " [accepted: ") + check
                + (contains(description, "\n") ? "" : "]");
        if (!o.get_default_str().empty() && !contains(description, "default"))
            description += " (default: " + o.get_default_str() + ")";
        if (repeatable(o) && !o.get_positional() && !contains(description, "repeatable"))
            description += "; repeatable";
        out << roffLines(description) << "\n";
    }

    // The bash word list of every spelling of the options.
    std::string optionWords(const std::vector<const CLI::Option*>& options)
    {
        std::vector<std::string> words;
        for (const CLI::Option* o : options)
            for (const std::string& s : spellings(*o))
                words.push_back(s);
        words.push_back("--help");
        return joined(words, " ");
    }

    // The bash commands that fill COMPREPLY for a value of this kind.
    std::string completeValue(const CLI::Option& o)
    {
        switch (valueKind(o)) {
        case ValueKind::ResourceFile:
            return "_filedir zrf";
        case ValueKind::File:
            return "_filedir";
        case ValueKind::Folder:
            return "_filedir -d";
        case ValueKind::Port:
            return "_zarnres_ports";
        case ValueKind::Device:
            return "COMPREPLY=($(compgen -f -- \"${cur:-/dev/tty}\"))";
        case ValueKind::Words:
            return "COMPREPLY=($(compgen -W '" + joined(wordsOf(o), " ") + "' -- \"$cur\"))";
        case ValueKind::None:
            break;
        }
        return "COMPREPLY=()";
    }

    void writeSubcommandCompletion(std::ostream& out, const CLI::App& sub)
    {
        const auto options = optionsOf(sub, false);
        const auto positionals = optionsOf(sub, true);
        std::vector<std::string> valued;
        for (const CLI::Option* o : options)
            if (!isFlag(*o))
                for (const std::string& s : spellings(*o))
                    valued.push_back(s);
        out << "    " << sub.get_name() << ")\n";
        out << "        valued='" << joined(valued, " ") << "'\n";
        bool anyValued = false;
        for (const CLI::Option* o : options) {
            if (isFlag(*o))
                continue;
            if (!anyValued)
                out << "        case $prev in\n";
            anyValued = true;
            out << "        " << joined(spellings(*o), "|") << ")\n";
            out << "            " << completeValue(*o) << "\n";
            out << "            return ;;\n";
        }
        if (anyValued)
            out << "        esac\n";
        out << "        if [[ $cur == -* ]]; then\n";
        out << "            COMPREPLY=($(compgen -W '" << optionWords(options) << "' -- \"$cur\"))\n";
        out << "            return\n";
        out << "        fi\n";
        out << "        case $(_zarnres_argument \"$valued\") in\n";
        for (std::size_t i = 0; i < positionals.size(); ++i)
            out << "        " << i << ") " << completeValue(*positionals[i]) << " ;;\n";
        out << "        *) COMPREPLY=() ;;\n";
        out << "        esac\n";
        out << "        ;;\n";
    }

} // namespace

ValueKind valueKind(const CLI::Option& o)
{
    if (isFlag(o))
        return ValueKind::None;
    if (!wordsOf(o).empty())
        return ValueKind::Words;
    const auto& longNames = o.get_lnames();
    const auto named
        = [&](const char* name) { return std::find(longNames.begin(), longNames.end(), name) != longNames.end(); };
    if (named("port"))
        return ValueKind::Port;
    if (named("device"))
        return ValueKind::Device;
    const std::string description = lower(o.get_description());
    if (contains(description, "resource file"))
        return ValueKind::ResourceFile;
    if (contains(description, "folder"))
        return ValueKind::Folder;
    const std::string type = valueName(o);
    if (type == "INT" || type == "UINT" || type == "FLOAT" || type == "NUMBER")
        return ValueKind::None;
    const std::string name = o.get_positional() ? o.get_name() : std::string();
    if (type == "FILE" || type == "PATH" || contains(name, "FILE") || name == "SOURCE" || name == "OUTPUT"
        || name == "MANIFEST" || name == "LIBRARY" || contains(description, " file"))
        return ValueKind::File;
    return ValueKind::None;
}

std::string bashCompletion(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* sub : subcommandsOf(app))
        names.push_back(sub->get_name());
    std::ostringstream out;
    out << R"(# bash completion for zarnres; written from its command table by zarnres-docs.

# The port numbers zarnres lists as present, else COM1 to COM16.
_zarnres_ports()
{
    local ports
    ports=$(zarnres ports 2>/dev/null | awk '$2 == "listed" { sub(/^COM/, "", $1); print $1 }')
    COMPREPLY=($(compgen -W "${ports:-$(seq 1 16)}" -- "$cur"))
}

# The position of the argument being completed among the subcommand's own
# arguments (0 for the first), skipping options and the values of those in $1.
_zarnres_argument()
{
    local i n=0 skip=
    for ((i = subword + 1; i < cword; i++)); do
        if [[ -n $skip ]]; then
            skip=
        elif [[ ${words[i]} == -* ]]; then
            [[ ${words[i]} != *=* && " $1 " == *" ${words[i]} "* ]] && skip=1
        else
            n=$((n + 1))
        fi
    done
    echo $n
}

_zarnres()
{
    local cur prev words cword split
    # -s: --option=value is completed as --option value.
    _init_completion -s || return

    local i sub= subword=0 valued
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            sub=${words[i]} subword=$i
            break
        fi
    done

    case $sub in
    "")
        COMPREPLY=($(compgen -W ')"
        << joined(names, " ") << R"( --help --version' -- "$cur"))
        ;;
)";
    for (const CLI::App* sub : subcommandsOf(app))
        writeSubcommandCompletion(out, *sub);
    out << R"(    esac
} &&
    complete -F _zarnres zarnres
)";
    return out.str();
}

std::string manPage(const CLI::App& app, const std::string& version, const std::string& sections)
{
    // The maintained text before its first section continues the description.
    const auto firstSection = sections.find(".SH ");
    const std::string moreDescription = sections.substr(0, firstSection);
    const std::string laterSections = firstSection == std::string::npos ? std::string() : sections.substr(firstSection);

    std::ostringstream out;
    out << ".\\\" Written from zarnres's command table by zarnres-docs.\n";
    out << ".TH ZARNRES 1 \"\" \"zarnres " << version << "\" \"User Commands\"\n";
    out << ".SH NAME\nzarnres \\- build, inspect and program resource files for Zarn serial display modules\n";
    out << ".SH SYNOPSIS\n";
    out << ".B zarnres\n.I command\n.RI [ options ]\n.RI [ arguments ]\n.br\n";
    out << ".B zarnres\n.I command\n.B \\-\\-help\n.br\n";
    out << ".B zarnres\n.BR \\-\\-help \" | \" \\-\\-version\n";
    out << ".SH DESCRIPTION\n" << roff(app.get_description()) << "\n" << moreDescription;
    out << ".SH COMMANDS\n";
    for (const CLI::App* sub : subcommandsOf(app)) {
        out << ".SS \"" << roff(synopsisOf(*sub)) << "\"\n";
        out << roff(sub->get_description()) << ".\n";
        for (const CLI::Option* p : optionsOf(*sub, true))
            writeOptionEntry(out, *p);
        for (const CLI::Option* o : optionsOf(*sub, false))
            writeOptionEntry(out, *o);
    }
    out << laterSections;
    return out.str();
}

} // namespace zarn::cli
