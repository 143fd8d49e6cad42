// The files a job reads, which prnhost's outputs must never replace: those
// the command line and the ticket name, and those the plug-in finds by its own
// names and search rules. The names and rules are the plug-in's own (its
// constants and search functions), so that the list cannot drift from what a
// job reads.
#pragma once

#include <string>
#include <vector>

#include "output_file.h"
#include "ticket_store.h"

namespace prnhost {

struct JobFiles {
    // The ticket, the pictures, the plug-in, the files the ticket names, the
    // screening files and the linearisation library the plug-in may load.
    std::vector<toolfile::NamedFile> named;
    // The files a job reads by a fixed name whenever they are there: the
    // switches of the current folder, the default screening file and the
    // installation's "DaVav.ini". A file made under one of these names would
    // be read by the jobs that follow, so they count whether they are there
    // yet or not.
    std::vector<toolfile::NamedFile> fixed;
};

// The files of a job of this ticket (already loaded into store), pictures
// and plug-in library (the file loaded, as the loader found it: the
// linearisation library is looked for beside it).
JobFiles FilesAJobReads(const std::string& ticket, const std::vector<std::string>& pictures,
                        const std::string& plugin, const hostkit::TicketStore& store);

// "" when output is none of the files, else what it would replace (see
// toolfile::RefuseOverwrite) or which fixed-name file it would make.
std::string RefuseJobInput(const toolfile::NamedFile& output, const JobFiles& files);

}  // namespace prnhost
