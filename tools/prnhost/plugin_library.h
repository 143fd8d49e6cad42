// The host's side of the plug-in: the library loaded by path with its
// interface table, and the output file that the write callback fills.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "output_file.h"
#include "platform/dynamic_library.h"
#include "plugin/host_interface.h"

namespace prnhost {

// The plug-in library built beside the running program ("kelmora.so", or
// "kelmora.dll" on Windows).
std::string DefaultPluginPath();

class PluginLibrary {
public:
    // Loads exactly this file and takes its interface table: GetInterface
    // with bit 31 set, slots 0 to 10 present, interface version 1.
    // False with a message naming the library.
    bool Load(const std::string& path, std::string& error);

    const PrnInterface& Table() const { return *table_; }
    // The file loaded, where the loader found it (a bare name it searched
    // for is the file of its search path); empty before a load.
    const std::string& File() const { return file_; }

private:
    platform::DynamicLibrary library_;
    PrnInterface* table_ = nullptr;
    std::string file_;
};

// The output file of a job: every record the plug-in writes, in order, as
// u32 tag, u32 size (both little-endian), then the data bytes.
class RecordFile {
public:
    // Creates the file's temporary beside path (see OutputFile).
    bool Open(const std::string& path, std::string& error);
    // The file, to finish and publish it (see OutputFile) when the job ended well.
    OutputFile& File() { return file_; }
    // Removes what was written: the job did not end well.
    void Discard() { file_.Discard(); }
    // "" or, after a record was refused, a message with the system's reason.
    std::string WriteError() const { return file_.WriteError(); }

    // The plug-in's write callback; its context is the RecordFile. 0 when the
    // record was written, 3 when the file refused it.
    static int Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size);

    uint64_t Records() const { return records_; }

private:
    OutputFile file_;
    uint64_t records_ = 0;
};

}  // namespace prnhost
