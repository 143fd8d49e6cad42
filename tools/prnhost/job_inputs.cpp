#include "job_inputs.h"

#include <filesystem>
#include <system_error>

#include "cutting/print_and_cut.h"
#include "drivers/tx500.h"
#include "drivers/ujf605.h"
#include "halftone/epl_proxy.h"
#include "halftone/spot_file.h"
#include "host/settings_helpers.h"
#include "host_job.h"
#include "platform/dynamic_library.h"
#include "platform/module.h"
#include "services/driver_settings.h"

namespace prnhost {
namespace {

std::string SystemString(const hostkit::TicketStore& store, const char* key) {
    const std::vector<std::string> texts = TicketStrings(store, key, TICKET_SCOPE_SYSTEM);
    return texts.empty() ? std::string() : texts.front();
}

// The screening files a job may read from one of its screening folders: the
// ticket's names there, and every spot file in it (the model's own file among
// them, whatever the job's resolution).
void AddScreeningFiles(const std::string& folder, const std::vector<std::string>& names,
                       std::vector<toolfile::NamedFile>& files) {
    constexpr const char* kRole = "the job's screening file";
    for (const std::string& name : names) files.push_back({kRole, folder + name});
    const std::filesystem::path spotExtension = std::filesystem::path(kDefaultSpotFile).extension();
    std::error_code failed;
    for (std::filesystem::directory_iterator i(folder.empty() ? "." : folder, failed), end; !failed && i != end;
         i.increment(failed)) {
        if (i->path().extension() == spotExtension) files.push_back({kRole, i->path().string()});
    }
}

}  // namespace

JobFiles FilesAJobReads(const std::string& ticket, const std::vector<std::string>& pictures,
                        const std::string& plugin, const hostkit::TicketStore& store) {
    JobFiles files;
    std::vector<toolfile::NamedFile>& named = files.named;
    named = {{"the job's ticket", ticket}, {"the plug-in", plugin}};
    for (const std::string& picture : pictures) named.push_back({"the job's picture", picture});
    const auto add = [&](const char* role, const char* key) {
        for (const std::string& path : TicketStrings(store, key)) named.push_back({role, path});
    };
    add("the job's linearisation file", "Output/Prn/Linearization/BPLPath");
    add("the job's cut file", "Process/ContourCut/ICUT/AI_FileName");
    add("the job's visual-correction file", "CMM/VisualCorrection");

    // Screening files: beside the linearisation file, then in the screening
    // folder. Without a screening folder and an installation folder the rule
    // names "/Profiles/Screening/" at the root, which is no installation's.
    const std::string installFolder = SystemString(store, "System/InstallFolder");
    const std::string sptFolder = SystemString(store, "System/Folders/SPT");
    const std::vector<std::string> screeningNames = TicketStrings(store, "Output/Prn/BPL/ScreeningFile");
    for (const std::string& linearisation : TicketStrings(store, "Output/Prn/Linearization/BPLPath")) {
        AddScreeningFiles(ScreeningFolders(linearisation, sptFolder, installFolder)[0], screeningNames, named);
    }
    if (!sptFolder.empty() || !installFolder.empty()) {
        AddScreeningFiles(ScreeningFolders(std::string(), sptFolder, installFolder)[1], screeningNames, named);
    }

    // The linearisation library, as a load by its name finds it beside the
    // plug-in or beside the host (prnhost).
    const std::string pluginFolder = platform::FolderOfPath(plugin);
    const platform::LibrarySearchFolders libraryFolders{pluginFolder.empty() ? "./" : pluginFolder,
                                                        platform::HostExecutableFolder()};
    for (const std::string& library : platform::FindLibraryInFolders(kEplModuleName, libraryFolders)) {
        named.push_back({"the linearisation library", library});
    }

    files.fixed = {{"the Tx500 colour-code file", kColorCodeOverrideFile},
                   {"the UJF-605 delete-on-close switch", kDeleteOnCloseSwitchFile},
                   {"the missing-cut-data switch", printandcut::kMissingCutDataWorkaround},
                   {"the default screening file", kDefaultSpotFile}};
    if (const std::string ini = DriverSettingsPath(installFolder); !ini.empty()) {
        files.fixed.push_back({"the driver settings file", ini});
    }
    return files;
}

std::string RefuseJobInput(const toolfile::NamedFile& output, const JobFiles& files) {
    std::vector<toolfile::NamedFile> inputs = files.named;
    inputs.insert(inputs.end(), files.fixed.begin(), files.fixed.end());
    if (std::string refused = toolfile::RefuseOverwrite(output, inputs); !refused.empty()) return refused;
    std::error_code failed;
    for (const toolfile::NamedFile& input : files.fixed) {
        if (!std::filesystem::exists(input.path, failed) && toolfile::SameFile(output.path, input.path)) {
            return output.role + " " + output.path + " is " + input.role + " " + input.path + ": jobs would read it";
        }
    }
    return std::string();
}

}  // namespace prnhost
