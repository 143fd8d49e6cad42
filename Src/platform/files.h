// Files the plug-in reads and the files it writes in place of a user's:
// opening to read with the decision taken on the opened file (never on the
// path before it), and writing a whole file beside its name, synced, then
// renamed over it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

enum class OpenToRead { kOpened, kNotRegular, kFailed };

// Opens an existing file to read its bytes. The open does not wait on a FIFO
// (or anything else) under the name; the opened file is then kept only when
// it is a regular file: kOpened with *file set (the caller closes it),
// kNotRegular for a folder, FIFO or device, kFailed with *error the system's
// error number.
OpenToRead OpenRegularFileToRead(const std::string& path, std::FILE** file, int* error);

// Writes the stream's buffer and the system's copy of the file to the disk:
// 0, or the system's error number.
int SyncFile(std::FILE* file);

// Renames the file from over the name to, replacing a file there in one
// step: 0, or the system's error number. A file this process may not write
// is not replaced. On POSIX systems the file first takes the permissions and
// owner of the file it replaces (owner as far as allowed), or rw-r--r-- when
// there is none.
int RenameOver(const std::string& from, const std::string& to);

// Puts size bytes under path as one step: they are written whole to a
// temporary file beside it (named for this process), synced to the disk and
// renamed over the name, so that the name holds either its old bytes or all
// the new ones. A name that is a symbolic link keeps the link; the file it
// names is replaced. 0, or the system's error number (the temporary file is
// then removed and the file at path left as it was). The temporary file's
// writes count against SetTestWriteLimit.
int ReplaceFileContents(const std::string& path, const void* data, size_t size);

}  // namespace platform
