// zarnres diff: two resource files compared item by item; the status as diff's.
#include "cli/Command.h"
#include "cli/Commands.h"
#include "project/ResourceDiff.h"

#include <iostream>
#include <memory>

void zarn::cli::addDiffCommand(CLI::App& app)
{
    struct Options {
        std::string a, b;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand(
        "diff", "Compare two resource files item by item (A's value | B's value); status 0 same, 1 different, 2 error");
    sub->add_option("A", o->a, "The first resource file")->required();
    sub->add_option("B", o->b, "The second resource file")->required();
    sub->add_flag("--json", o->json, "Print every row of both files, with SHA-256 digests, as JSON");
    sub->callback([o] {
        std::string error;
        const zarn::ResourceSummary a = zarn::summarizeResourceFile(o->a, &error);
        if (!error.empty())
            throw CommandExit { kExitUsage, o->a + ": " + error };
        const zarn::ResourceSummary b = zarn::summarizeResourceFile(o->b, &error);
        if (!error.empty())
            throw CommandExit { kExitUsage, o->b + ": " + error };
        const zarn::ResourceDiff d = zarn::diffResources(a, b);
        if (o->json)
            std::cout << d.json;
        else
            for (const auto& line : d.lines)
                std::cout << line << "\n";
        if (!d.same())
            throw CommandExit { kExitRefused, {} };
    });
}
