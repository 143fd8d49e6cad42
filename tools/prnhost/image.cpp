#include "image.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "output_file.h"
#include "base/format.h"
#include "base/input_file.h"
#include "platform/files.h"
#include "platform/system.h"

#ifdef PRNHOST_HAVE_TIFF
#include <tiffio.h>
#endif

namespace prnhost {
namespace {

// Largest row the host program reads, and the largest picture it reads whole:
// one gigabyte of pixels.
constexpr uint64_t kMaxPixelBytes = 1ull << 30;
// Widest row the host program reads: more than ten metres at 2,540 dpi, wider
// than any medium prints. The plug-in takes whole rows and crops them to the
// medium, so a row's memory is bounded here, before any is read.
constexpr uint64_t kMaxRowPixels = 1ull << 20;
// Longest PNM header token (a number has at most twelve digits), PAM header
// line and PAM tuple type (the TUPLTYPE lines joined): a header never holds
// more memory than this, whatever the file holds.
constexpr size_t kMaxPnmToken = 32;
constexpr size_t kMaxPamLine = 256;
constexpr size_t kMaxTupleType = 256;

// A picture's name as its messages quote it: control bytes escaped.
std::string MessageName(const std::string& path) { return EscapeControlBytes(path); }

bool CheckSize(const std::string& name, uint64_t width, uint64_t height, uint64_t channels, std::string& error) {
    if (width == 0 || height == 0 || channels == 0) {
        error = name + ": empty image: it has no " +
                (height == 0 ? "rows" : width == 0 ? "columns" : "samples per pixel");
        return false;
    }
    if (width > kMaxRowPixels) {
        error = name + ": " + std::to_string(width) + " pixels wide, wider than any medium prints: prnhost reads " +
                "rows of at most " + std::to_string(kMaxRowPixels) + " pixels; crop the picture to the medium";
        return false;
    }
    if (height > std::numeric_limits<int>::max() || channels > 64 || width * channels > kMaxPixelBytes) {
        error = name + ": image too large";
        return false;
    }
    return true;
}

// A picture file opened for reading; what it is (a regular file, its size)
// is taken from the open descriptor.
class PictureFile {
public:
    PictureFile() = default;
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;
    // False with a message naming the file and the system's reason.
    bool Open(const std::string& path, std::string& error) {
        int reason = 0;
        std::FILE* file = nullptr;
        switch (platform::OpenRegularFileToRead(path, &file, &reason)) {
            case platform::OpenToRead::kNotRegular:
                error = MessageName(path) + ": not a regular file";
                return false;
            case platform::OpenToRead::kFailed:
                error = MessageName(path) + ": cannot open: " + platform::ErrorText(reason ? reason : EIO);
                return false;
            case platform::OpenToRead::kOpened:
                break;
        }
        file_.reset(file);
        fd_ = fileno(file);
        // The size in 64 bits on every system (Windows' plain stat has 32).
#if defined(_WIN32)
        struct _stati64 status{};
        const int stated = _fstati64(fd_, &status);
#else
        struct stat status{};
        const int stated = fstat(fd_, &status);
#endif
        if (stated != 0 || status.st_size < 0) {
            error = MessageName(path) + ": cannot open: " + platform::ErrorText(errno ? errno : EIO);
            return false;
        }
        size_ = static_cast<uint64_t>(status.st_size);
        return true;
    }

    // Reads up to size bytes at offset; the bytes read, or -1.
    int64_t ReadAt(uint64_t offset, void* data, size_t size) const {
        size_t done = 0;
        while (done < size) {
#if defined(_WIN32)
            if (_lseeki64(fd_, static_cast<__int64>(offset + done), SEEK_SET) < 0) return -1;
            const int chunk = static_cast<int>(std::min<size_t>(size - done, 1u << 30));
            const int got = _read(fd_, static_cast<char*>(data) + done, static_cast<unsigned>(chunk));
#else
            const ssize_t got = pread(fd_, static_cast<char*>(data) + done, size - done,
                                      static_cast<off_t>(offset + done));
#endif
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<int64_t>(done);
    }

    uint64_t Size() const { return size_; }

private:
    FilePtr file_;  // opened by the platform layer, which judged it a regular file
    int fd_ = -1;
    uint64_t size_ = 0;
};

// The file's bytes in order, through a buffer.
class ByteReader {
public:
    explicit ByteReader(const PictureFile& file) : file_(file) {}
    int Get() {
        if (at_ == buffer_.size() && !Fill()) return EOF;
        return buffer_[at_++];
    }
    int Peek() {
        if (at_ == buffer_.size() && !Fill()) return EOF;
        return buffer_[at_];
    }
    uint64_t Offset() const { return offset_ - (buffer_.size() - at_); }
    // The next byte read is the one at offset.
    void Seek(uint64_t offset) {
        buffer_.clear();
        at_ = 0;
        offset_ = offset;
    }
    // Reads size bytes; false when the file ends first (or cannot be read).
    bool Read(uint8_t* data, size_t size) {
        const size_t buffered = std::min(size, buffer_.size() - at_);
        std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(at_), buffered, data);
        at_ += buffered;
        if (buffered == size) return true;
        const int64_t got = file_.ReadAt(offset_, data + buffered, size - buffered);
        if (got < 0) return false;
        offset_ += static_cast<uint64_t>(got);
        return static_cast<size_t>(got) == size - buffered;
    }

private:
    bool Fill() {
        buffer_.resize(4096);
        const int64_t got = file_.ReadAt(offset_, buffer_.data(), buffer_.size());
        buffer_.resize(got > 0 ? static_cast<size_t>(got) : 0);
        at_ = 0;
        offset_ += buffer_.size();
        return !buffer_.empty();
    }

    const PictureFile& file_;
    std::vector<uint8_t> buffer_;
    size_t at_ = 0;
    uint64_t offset_ = 0;  // of the buffer's end
};

}  // namespace

bool SameKind(const ImageInfo& a, const ImageInfo& b) {
    return a.width == b.width && a.height == b.height && a.channels == b.channels && a.colorSpace == b.colorSpace &&
           a.alphaSamples == b.alphaSamples;
}

std::string Describe(const ImageInfo& info) {
    return std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels of " +
           std::to_string(info.channels) + " \"" + info.colorSpace + "\" channels" +
           (info.alphaSamples > 0 ? ", " + std::to_string(info.alphaSamples) + " of them alpha" : "");
}

namespace {

// The message for a page unlike the first.
std::string UnlikeFirst(const std::string& page, const ImageInfo& info, const std::string& first,
                        const ImageInfo& firstInfo) {
    return page + " is " + Describe(info) + ", " + first + " " + Describe(firstInfo) +
           ": every page of a job has the first one's size and colours";
}

void SetInfo(ImageInfo& info, uint64_t width, uint64_t height, uint64_t channels, std::string colorSpace) {
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);
    info.channels = static_cast<int>(channels);
    info.colorSpace = std::move(colorSpace);
}

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The next byte of a PNM header, a comment ('#' to the line's end) read as
// the CR or LF that ends it.
int PnmByte(ByteReader& in) {
    int c = in.Get();
    if (c != '#') return c;
    while (c != EOF && c != '\n' && c != '\r') c = in.Get();
    return c;
}

// The next token of a PNM header and the byte that ended it (whitespace, or
// EOF); a comment ends a token as whitespace does. A token longer than
// kMaxPnmToken is cut there, one byte past the cap (no number is that long).
bool PnmToken(ByteReader& in, std::string& token, int& end) {
    token.clear();
    int c = PnmByte(in);
    while (IsBlank(c)) c = PnmByte(in);
    while (c != EOF && !IsBlank(c) && token.size() <= kMaxPnmToken) {
        token.push_back(static_cast<char>(c));
        c = PnmByte(in);
    }
    end = c;
    return !token.empty();
}

bool ParseNumber(const std::string& token, uint64_t& value) {
    if (token.empty() || token.size() > 12) return false;
    value = 0;
    for (char c : token) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// One line of a PAM header without its line end (LF, or CR LF), and without
// leading and trailing blanks; kEnd at the end of the file. A comment line
// is read as "#", its text skipped; a longer line than kMaxPamLine is
// kTooLong, read no further.
enum class PamLineRead { kLine, kEnd, kTooLong };
PamLineRead PamLine(ByteReader& in, std::string& line) {
    line.clear();
    int c = in.Get();
    if (c == EOF) return PamLineRead::kEnd;
    while (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') c = in.Get();
    if (c == '#') {
        line = "#";
        while (c != EOF && c != '\n') c = in.Get();
        return PamLineRead::kLine;
    }
    for (; c != EOF && c != '\n'; c = in.Get()) {
        if (line.size() == kMaxPamLine) return PamLineRead::kTooLong;
        line.push_back(static_cast<char>(c));
    }
    line.resize(line.find_last_not_of(" \t\r\v\f") + 1);  // npos + 1: all blank, emptied
    return PamLineRead::kLine;
}

// Reads every row of an open picture into memory.
bool ReadImage(ImageReader& reader, Image& image, std::string& error) {
    const ImageInfo& info = reader.Info();
    if (static_cast<uint64_t>(info.height) * info.RowBytes() > kMaxPixelBytes) {
        error = "image too large to read whole";
        return false;
    }
    static_cast<ImageInfo&>(image) = info;
    image.pixels.assign(static_cast<size_t>(info.height) * info.RowBytes(), 0);
    for (int y = 0; y < info.height; ++y) {
        if (!reader.ReadRow(image.pixels.data() + static_cast<size_t>(y) * info.RowBytes(), error)) return false;
    }
    return true;
}

// The kinds of PNM that hold no 8-bit samples, by their magic number's digit:
// what each is, refused by name.
constexpr const char* kUnreadPnmKinds[] = {
    "a plain PBM (P1): a bitmap written as text",
    "a plain PGM (P2): grey written as text",
    "a plain PPM (P3): RGB written as text",
    "a PBM (P4): a bitmap of one bit per pixel",
};

// What a picture's header says of the bytes: a picture that prnhost reads;
// no picture (a header broken off or of no format, a raster cut short); or a
// picture of a kind prnhost does not read (its header read whole).
enum class HeaderRead { kRead, kNotAPicture, kNotRead };

// maxval 255 is read; any other is refused naming its depth.
HeaderRead CheckMaxval(const std::string& name, uint64_t maxval, std::string& error) {
    if (maxval == 255) return HeaderRead::kRead;
    if (maxval == 0 || maxval > 65535) {
        error = name + ": maxval " + std::to_string(maxval) + " is none of 1 to 65535";
        return HeaderRead::kNotAPicture;
    }
    int bits = 0;
    while ((maxval >> bits) != 0) ++bits;
    error = name + ": samples of maxval " + std::to_string(maxval) + " (" + std::to_string(bits) +
            "-bit) are not read: prnhost reads only 8-bit samples (maxval 255); save the picture with 8-bit samples";
    return HeaderRead::kNotRead;
}

// The samples per pixel of the standard PAM tuple types (with "_ALPHA", one
// more); 0 for a tuple type of the file's own.
constexpr struct {
    const char* type;
    uint64_t depth;
} kPamTupleDepths[] = {{"grayscale", 1}, {"rgb", 3}, {"blackandwhite", 1}};

class PnmReader : public ImageReader {
public:
    explicit PnmReader(std::unique_ptr<PictureFile> file) : file_(std::move(file)), in_(*file_) {}

    // Reads the header of every picture in the file, so that a job starts on
    // none that it cannot finish; false with a message.
    bool Open(const std::string& path, std::string& error) {
        name_ = MessageName(path);
        where_ = name_;
        if (ReadHeader(info_, rasterStart_, error) != HeaderRead::kRead) return false;
        uint64_t end = RasterEnd(rasterStart_);
        for (uint64_t next = NextPicture(end); next < file_->Size(); next = NextPicture(end)) {
            in_.Seek(next);
            ImageInfo info;
            uint64_t start = 0;
            const HeaderRead read = ReadHeader(info, start, error);
            if (read == HeaderRead::kNotRead) {
                error = name_ + ": picture " + std::to_string(pages_ + 1) + " is not read: " +
                        error.substr(name_.size() + 2);
                return false;
            }
            if (read == HeaderRead::kNotAPicture) {
                error = name_ + ": the " + std::to_string(file_->Size() - end) + " bytes after picture " +
                        std::to_string(pages_) + " are not a picture prnhost reads: " + error.substr(name_.size() + 2);
                return false;
            }
            if (!SameKind(info, info_)) {
                error = UnlikeFirst(name_ + ": picture " + std::to_string(pages_ + 1), info, "picture 1", info_);
                return false;
            }
            ++pages_;
            end = RasterEnd(start);
        }
        in_.Seek(rasterStart_);
        return true;
    }

    bool ReadRow(uint8_t* row, std::string& error) override {
        if (!in_.Read(row, info_.RowBytes())) {
            error = where_ + ": raster data ends early, at row " + std::to_string(row_ + 1);
            return false;
        }
        ++row_;
        return true;
    }

    bool NextPage(std::string& error) override {
        in_.Seek(NextPicture(RasterEnd(rasterStart_)));
        ++page_;
        where_ = name_ + ": picture " + std::to_string(page_);
        row_ = 0;
        ImageInfo info;  // read at the start as this
        if (ReadHeader(info, rasterStart_, error) != HeaderRead::kRead) return false;
        if (!SameKind(info, info_)) {
            error = UnlikeFirst(where_, info, "picture 1", info_);
            return false;
        }
        return true;
    }

private:
    uint64_t RasterEnd(uint64_t start) const { return start + static_cast<uint64_t>(info_.height) * info_.RowBytes(); }

    // Where the picture after one that ends at offset starts: past the
    // whitespace after it (netpbm's programs skip it); the file's size when
    // none follows.
    uint64_t NextPicture(uint64_t offset) const {
        uint8_t bytes[4096];
        for (;;) {
            const int64_t got = file_->ReadAt(offset, bytes, sizeof bytes);
            if (got <= 0) return got == 0 ? file_->Size() : offset;
            const auto* blank = std::find_if_not(bytes, bytes + got, IsBlank);
            offset += static_cast<uint64_t>(blank - bytes);
            if (blank != bytes + got) return offset;
        }
    }

    // Whether a picture that ends at offset ends the file, or another picture follows it.
    bool EndsPicture(uint64_t offset) const {
        const uint64_t next = NextPicture(offset);
        uint8_t p = 0;
        return next >= file_->Size() || (file_->ReadAt(next, &p, 1) == 1 && p == 'P');
    }

    // Reads the header of the picture at the reader's place, leaving it at
    // the first sample; what it read, with a message when it is no picture
    // that prnhost reads.
    HeaderRead ReadHeader(ImageInfo& info, uint64_t& rasterStart, std::string& error) {
        const int p = in_.Get();
        const int kind = in_.Get();
        uint64_t width = 0, height = 0, depth = 0, maxval = 0;
        std::string tupleType;
        int alphaSamples = 0;
        bool crThenLf = false;  // the header's last whitespace is a CR, and an LF follows it
        if (p == 'P' && (kind == '5' || kind == '6')) {
            // Width, height and maxval, then exactly one whitespace byte (or
            // CR LF) before the raster.
            if (!IsBlank(in_.Peek()) && in_.Peek() != '#') {
                error = where_ + ": bad PNM header: no whitespace after P" + static_cast<char>(kind);
                return HeaderRead::kNotAPicture;
            }
            int end = EOF;
            for (auto [field, value] : {std::pair{"width", &width}, {"height", &height}, {"maxval", &maxval}}) {
                std::string token;
                if (!PnmToken(in_, token, end) || !ParseNumber(token, *value)) {
                    error = where_ + ": bad PNM header: the " + field +
                            (token.empty() ? std::string(" is missing")
                                           : " \"" + EscapeControlBytes(token.substr(0, kMaxPnmToken)) +
                                                 (token.size() > kMaxPnmToken ? "..." : "") +
                                                 "\" is not a number of at most 12 digits");
                    return HeaderRead::kNotAPicture;
                }
            }
            crThenLf = end == '\r' && in_.Peek() == '\n';
            depth = kind == '5' ? 1 : 3;
            tupleType = kind == '5' ? "grey" : "rgb";
        } else if (p == 'P' && kind == '7') {
            if (const HeaderRead read = ReadPamHeader(width, height, depth, maxval, tupleType, alphaSamples, error);
                read != HeaderRead::kRead) {
                return read;
            }
        } else if (p == 'P' && kind >= '1' && kind <= '4') {
            error = where_ + ": " + kUnreadPnmKinds[kind - '1'] +
                    ", is not read: save the picture as a PGM (P5), a PPM (P6) or a PAM (P7) of 8-bit samples";
            return HeaderRead::kNotRead;
        } else {
            error = where_ + ": not a PNM or PAM file (P5, P6 or P7)";
            return HeaderRead::kNotAPicture;
        }
        if (const HeaderRead read = CheckMaxval(where_, maxval, error); read != HeaderRead::kRead) return read;
        if (!CheckSize(where_, width, height, depth, error)) return HeaderRead::kNotRead;
        info = ImageInfo{};
        SetInfo(info, width, height, depth, tupleType.empty() ? "unknown" : tupleType);
        info.alphaSamples = alphaSamples;
        // The raster must be all there before a job starts on it.
        uint64_t start = in_.Offset();
        const uint64_t declared = height * info.RowBytes();
        uint64_t held = file_->Size() > start ? file_->Size() - start : 0;
        // A header ended by CR LF, or by a single CR before a first sample of
        // 10: the LF belongs to the header when the raster still fits after
        // it, unless only the raster that starts at the LF ends the file or
        // the picture.
        if (crThenLf && held > declared && (EndsPicture(start + 1 + declared) || !EndsPicture(start + declared))) {
            in_.Get();
            ++start;
            --held;
        }
        if (held < declared) {
            error = where_ + ": raster data ends early: the header declares " + std::to_string(declared) +
                    " bytes, the file holds " + std::to_string(held);
            return HeaderRead::kNotAPicture;
        }
        rasterStart = start;
        return HeaderRead::kRead;
    }

    // The header lines after "P7" to the line "ENDHDR", whose line end is the
    // last byte before the raster; blank lines and '#' comment lines skipped.
    // The values of the TUPLTYPE lines are joined by one space each: a tuple
    // type of more than one word is none that prnhost knows. WIDTH, HEIGHT,
    // DEPTH and MAXVAL are each said once.
    HeaderRead ReadPamHeader(uint64_t& width, uint64_t& height, uint64_t& depth, uint64_t& maxval,
                             std::string& tupleType, int& alphaSamples, std::string& error) {
        std::string line;
        if (PamLine(in_, line) != PamLineRead::kLine || !line.empty()) {
            error = where_ + ": bad PAM header: P7 is not alone on its line";
            return HeaderRead::kNotAPicture;
        }
        bool ended = false;
        std::vector<std::string> said;  // the numbers' keys read
        for (PamLineRead read; !ended && (read = PamLine(in_, line)) != PamLineRead::kEnd;) {
            if (read == PamLineRead::kTooLong) {
                error = where_ + ": bad PAM header: a line longer than " + std::to_string(kMaxPamLine) + " bytes";
                return HeaderRead::kNotAPicture;
            }
            if (line.empty() || line[0] == '#') continue;
            const size_t blank = line.find_first_of(" \t\v\f\r");
            const std::string token = line.substr(0, blank);
            const size_t valueStart =
                blank == std::string::npos ? line.size() : line.find_first_not_of(" \t\v\f\r", blank);
            const std::string value = line.substr(valueStart);
            uint64_t* field = token == "WIDTH"    ? &width
                              : token == "HEIGHT" ? &height
                              : token == "DEPTH"  ? &depth
                              : token == "MAXVAL" ? &maxval
                                                  : nullptr;
            uint64_t number = 0;
            if (token == "ENDHDR" && value.empty()) {
                ended = true;
            } else if (token == "TUPLTYPE" && !value.empty()) {
                if (tupleType.size() + 1 + value.size() > kMaxTupleType) {
                    error = where_ + ": bad PAM header: TUPLTYPE lines of more than " + std::to_string(kMaxTupleType) +
                            " bytes together";
                    return HeaderRead::kNotAPicture;
                }
                tupleType += (tupleType.empty() ? "" : " ") + value;
            } else if (!field || !ParseNumber(value, number)) {
                error = where_ + ": bad PAM header at " + EscapeControlBytes(token);
                return HeaderRead::kNotAPicture;
            } else if (std::find(said.begin(), said.end(), token) != said.end()) {
                error = where_ + ": bad PAM header: " + token + " is given twice (" + token + " " +
                        std::to_string(*field) + ", then " + token + " " + value + "): a PAM header says each once";
                return HeaderRead::kNotAPicture;
            } else {
                *field = number;
                said.push_back(token);
            }
        }
        if (!ended) {
            error = where_ + ": PAM header without ENDHDR";
            return HeaderRead::kNotAPicture;
        }
        const auto notInAWord = [](char c) { return IsBlank(c) || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
        if (std::any_of(tupleType.begin(), tupleType.end(), notInAWord)) {
            error = where_ + ": tuple type \"" + EscapeControlBytes(tupleType) +
                    "\" is not one prnhost knows: write one TUPLTYPE line of one word, GRAYSCALE, RGB, CMYK, CMYKOG "
                    "or CMYKRGB (the channels after the colours are extra inks), or a name of the picture's own "
                    "with Output/Prn/Printer/InputColorMode in the ticket";
            return HeaderRead::kNotRead;
        }
        for (char& c : tupleType) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // A standard tuple type has its own number of samples: GRAYSCALE 1,
        // RGB 3, each "_ALPHA" one more (the alpha after the colours).
        std::string colours = tupleType;
        const bool alpha = colours.size() > 6 && colours.compare(colours.size() - 6, 6, "_alpha") == 0;
        if (alpha) colours.resize(colours.size() - 6);
        for (const auto& standard : kPamTupleDepths) {
            if (colours != standard.type) continue;
            if (depth != standard.depth + (alpha ? 1 : 0)) {
                error = where_ + ": tuple type " + ToUpper(tupleType) + " takes DEPTH " +
                        std::to_string(standard.depth + (alpha ? 1 : 0)) + ", this PAM has DEPTH " +
                        std::to_string(depth) + ": set its TUPLTYPE to the channels it holds";
                return HeaderRead::kNotRead;
            }
            if (alpha) alphaSamples = 1;
            tupleType = colours == "grayscale" ? "grey" : colours;
        }
        return HeaderRead::kRead;
    }

    static std::string ToUpper(std::string text) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    }

    std::string name_;   // the file's name, escaped for messages
    std::string where_;  // the name, and the picture after the first
    std::unique_ptr<PictureFile> file_;
    ByteReader in_;
    uint64_t rasterStart_ = 0;  // of the picture being read
    uint64_t page_ = 1;
    int row_ = 0;
};

}  // namespace

bool WritePam(const std::string& path, const Image& image, std::string& error) {
    const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                               std::to_string(image.height) + "\nDEPTH " + std::to_string(image.channels) +
                               "\nMAXVAL 255\nTUPLTYPE " + (image.colorSpace.empty() ? "unknown" : image.colorSpace) +
                               "\nENDHDR\n";
    // Written whole beside its name and renamed over it, as every tool's output.
    toolfile::OutputFile file;
    if (!file.Create(path, error)) return false;
    file.Write(header.data(), header.size());
    file.Write(image.pixels.data(), image.pixels.size());
    return file.Commit(error);
}

#ifdef PRNHOST_HAVE_TIFF
namespace {
struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// The photometric interpretations that are refused, by name.
constexpr struct {
    uint16_t code;
    const char* name;
} kRefusedPhotometrics[] = {
    {PHOTOMETRIC_PALETTE, "palette"}, {PHOTOMETRIC_MASK, "transparency mask"}, {PHOTOMETRIC_YCBCR, "YCbCr"},
    {PHOTOMETRIC_CIELAB, "CIELab"},   {PHOTOMETRIC_ICCLAB, "ICCLab"},          {PHOTOMETRIC_ITULAB, "ITULab"},
    {PHOTOMETRIC_CFA, "CFA"},         {PHOTOMETRIC_LOGL, "LogL"},              {PHOTOMETRIC_LOGLUV, "LogLuv"},
};

// The sample formats other than unsigned integers, refused by name.
constexpr struct {
    uint16_t code;
    const char* name;
} kRefusedSampleFormats[] = {
    {SAMPLEFORMAT_INT, "signed integer"},        {SAMPLEFORMAT_IEEEFP, "floating-point"},
    {SAMPLEFORMAT_VOID, "undefined-format"},     {SAMPLEFORMAT_COMPLEXINT, "complex integer"},
    {SAMPLEFORMAT_COMPLEXIEEEFP, "complex floating-point"},
};

// The orientations other than top-left, by where the first row and column
// lie. Top-right (each row mirrored) is read; the others would need the rows
// bottom to top or the columns as rows, which a reader of one row at a time
// cannot give without holding the picture: they are refused by name.
constexpr const char* kOrientations[] = {
    "",
    "top-left",
    "top-right: each row mirrored",
    "bottom-right: turned upside down",
    "bottom-left: rows stored bottom to top",
    "left-top: rows and columns swapped",
    "right-top: turned a quarter",
    "right-bottom: rows and columns swapped and turned",
    "left-bottom: turned three quarters",
};

// The most bytes a codec makes of one byte of strip data: none 1, PackBits 64
// (a run of 128 from two bytes), LZW and Deflate less than 1,400; any other
// is given 4,096.
constexpr struct {
    uint16_t compression;
    uint64_t expansion;
} kMostExpansion[] = {
    {COMPRESSION_NONE, 1},     {COMPRESSION_PACKBITS, 64},         {COMPRESSION_LZW, 1400},
    {COMPRESSION_DEFLATE, 1400}, {COMPRESSION_ADOBE_DEFLATE, 1400},
};

uint64_t MostExpansion(uint16_t compression) {
    for (const auto& codec : kMostExpansion) {
        if (codec.compression == compression) return codec.expansion;
    }
    return 4096;
}

// Every strip lies inside the file and its bytes can hold the rows it
// declares, so that no buffer is sized by a header that the file does not
// back. False with a message.
bool CheckStrips(TIFF* tif, const std::string& name, uint64_t fileSize, uint32_t height, size_t scanline,
                 std::string& error) {
    uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint32_t perPlane = (height + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t strips = TIFFNumberOfStrips(tif);
    if (strips == 0 || strips % perPlane != 0) {
        error = name + ": the strips do not cover the picture's " + std::to_string(height) + " rows";
        return false;
    }
    for (uint32_t s = 0; s < strips; ++s) {
        const uint64_t offset = TIFFGetStrileOffset(tif, s);
        const uint64_t bytes = TIFFGetStrileByteCount(tif, s);
        const uint64_t first = static_cast<uint64_t>(s % perPlane) * rowsPerStrip;
        const uint64_t declared = std::min<uint64_t>(rowsPerStrip, height - first) * scanline;
        if (offset > fileSize || bytes > fileSize - offset) {
            error = name + ": raster data ends early: strip " + std::to_string(s) + " runs past the end of the file";
            return false;
        }
        if (declared / MostExpansion(compression) > bytes) {
            error = name + ": raster data ends early: strip " + std::to_string(s) + " declares " +
                    std::to_string(declared) + " bytes of rows, its " + std::to_string(bytes) +
                    " bytes in the file cannot hold them";
            return false;
        }
    }
    return true;
}

// libtiff's last complaint on this thread, for the message of a file it does not open.
thread_local std::string tLastTiffError;

void KeepTiffError(const char*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    tLastTiffError = text;
}

// The numbers of a TIFF's directories as the file holds them: the ImageLength
// of a directory that libtiff does not read, and the Orientation, which
// libtiff reads as 1 when it is none of 1 to 8.
class RawTiff {
public:
    explicit RawTiff(const PictureFile& file) : file_(file) {
        uint8_t head[16] = {};
        if (file.ReadAt(0, head, sizeof head) < 8) return;
        little_ = head[0] == 'I';
        const uint64_t version = Number(head + 2, 2);
        if (version != 42 && version != 43) return;
        big_ = version == 43;  // BigTIFF
        first_ = big_ ? Number(head + 8, 8) : Number(head + 4, 4);
    }

    // The file's first directory; 0 when there is none.
    uint64_t First() const { return first_; }

    // A number of the directory at offset; -1 when there is none.
    int64_t Value(uint64_t directory, uint16_t tag) const {
        uint64_t entries = 0;
        if (!Entries(directory, entries)) return -1;
        for (uint64_t e = 0; e < std::min<uint64_t>(entries, 4096); ++e) {
            uint8_t entry[20] = {};
            if (file_.ReadAt(EntryAt(directory, e), entry, EntryBytes()) != static_cast<int64_t>(EntryBytes())) {
                return -1;
            }
            if (Number(entry, 2) != tag) continue;
            const uint64_t type = Number(entry + 2, 2);
            const int bytes = type == TIFF_SHORT ? 2 : type == TIFF_LONG ? 4 : type == TIFF_LONG8 ? 8 : 0;
            return bytes == 0 ? -1 : static_cast<int64_t>(Number(entry + (big_ ? 12 : 8), bytes));
        }
        return -1;
    }

    // Which of the first `count` directories of the chain (1 the first) is
    // the one at offset; 0 when none is.
    uint64_t DirectoryNumber(uint64_t directory, uint64_t count) const {
        uint64_t at = first_;
        for (uint64_t number = 1; number <= count && at != 0; ++number, at = Next(at)) {
            if (at == directory) return number;
        }
        return 0;
    }

    // The directory after the one at offset; 0 when there is none.
    uint64_t Next(uint64_t directory) const {
        uint64_t entries = 0;
        uint8_t next[8] = {};
        const size_t bytes = big_ ? 8 : 4;
        if (!Entries(directory, entries) || file_.ReadAt(EntryAt(directory, entries), next, bytes) != int64_t(bytes)) {
            return 0;
        }
        return Number(next, static_cast<int>(bytes));
    }

private:
    uint64_t Number(const uint8_t* p, int bytes) const {
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= uint64_t{p[little_ ? i : bytes - 1 - i]} << (8 * i);
        return value;
    }
    size_t EntryBytes() const { return big_ ? 20 : 12; }
    uint64_t EntryAt(uint64_t directory, uint64_t entry) const {
        return directory + (big_ ? 8 : 2) + entry * EntryBytes();
    }
    bool Entries(uint64_t directory, uint64_t& entries) const {
        uint8_t count[8] = {};
        const int bytes = big_ ? 8 : 2;
        if (first_ == 0 || file_.ReadAt(directory, count, static_cast<size_t>(bytes)) != bytes) return false;
        entries = Number(count, bytes);
        return true;
    }

    const PictureFile& file_;
    bool little_ = true;
    bool big_ = false;
    uint64_t first_ = 0;
};

// One libtiff handle's view of the open picture file: its own position, the
// file read through the descriptor opened once. Not mapped: a mapped file's
// pages would count as the program's memory as the rows are read.
struct TiffSource {
    const PictureFile* file = nullptr;
    uint64_t position = 0;

    static tmsize_t Read(thandle_t handle, void* data, tmsize_t size) {
        auto* self = static_cast<TiffSource*>(handle);
        if (size < 0) return -1;
        const int64_t got = self->file->ReadAt(self->position, data, static_cast<size_t>(size));
        if (got > 0) self->position += static_cast<uint64_t>(got);
        return static_cast<tmsize_t>(got);
    }
    static tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        auto* self = static_cast<TiffSource*>(handle);
        const uint64_t base = whence == SEEK_CUR ? self->position : whence == SEEK_END ? self->file->Size() : 0;
        self->position = base + offset;
        return self->position;
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t handle) { return static_cast<TiffSource*>(handle)->file->Size(); }
    static int Map(thandle_t, void**, toff_t*) { return 0; }
    static void Unmap(thandle_t, void*, toff_t) {}
};

// Rows through libtiff's scanline reads, in order. Separate planes are read
// through one handle per plane, so that each reads its strips in order; the
// handles go from page to page together.
class TiffReader : public ImageReader {
public:
    explicit TiffReader(std::unique_ptr<PictureFile> file) : file_(std::move(file)) {}

    // Reads every directory, so that a job starts on no page that it cannot
    // finish; false with a message.
    bool Open(const std::string& path, std::string& error) {
        path_ = path;
        name_ = MessageName(path);
        where_ = name_;
        const RawTiff raw(*file_);
        TiffHandle tif = OpenHandle();
        if (!tif) {
            error = Unread(raw, raw.First(), name_);
            return false;
        }
        // Every directory of the file's chain: each page checked as a picture
        // of its own, the reduced-resolution and mask images passed over.
        bool separate = false;
        pages_ = 0;
        for (uint64_t directory = 1;; ++directory) {
            if (IsPage(tif.get())) {
                ImageInfo info;
                PageLayout layout;
                if (pages_ > 0) where_ = name_ + ": page " + std::to_string(pages_ + 1);
                if (!ReadPage(tif.get(), info, layout, error)) return false;
                if (pages_ > 0 && !SameKind(info, info_)) {
                    error = UnlikeFirst(where_, info, "page 1", info_);
                    return false;
                }
                if (pages_ == 0) info_ = info;
                separate = separate || layout.separate;
                ++pages_;
            }
            if (TIFFLastDirectory(tif.get())) break;
            const uint64_t offset = TIFFCurrentDirOffset(tif.get());
            tLastTiffError.clear();
            if (!TIFFReadDirectory(tif.get())) {
                const uint64_t next = raw.Next(offset);
                if (const uint64_t earlier = raw.DirectoryNumber(next, directory); earlier > 0) {
                    error = name_ + ": its directory " + std::to_string(directory) + " points back at directory " +
                            std::to_string(earlier) +
                            ", so its directories never end: the file is damaged; save the picture again";
                } else {
                    error = Unread(raw, next, name_ + ": directory " + std::to_string(directory + 1));
                }
                return false;
            }
        }
        where_ = name_;
        if (pages_ == 0) {
            error = name_ + ": no page: every image of the file is a reduced-resolution or mask image";
            return false;
        }
        // The handles that read the pages, at the first one.
        tif.reset();
        sources_.clear();
        for (int s = 0; s < (separate ? info_.channels : 1); ++s) {
            planes_.push_back(OpenHandle());
            if (!planes_.back()) {
                error = name_ + ": cannot open as TIFF";
                return false;
            }
        }
        return (IsPage(planes_.front().get()) || ToNextPage(error)) && StartPage(error);
    }

    bool ReadRow(uint8_t* row, std::string& error) override {
        const uint32_t y = static_cast<uint32_t>(row_);
        const size_t samples = static_cast<size_t>(info_.channels);
        const size_t width = static_cast<size_t>(info_.width);
        const PageLayout& page = layout_;
        // An interleaved row of exactly the row's bytes is read in place; a
        // buffer holds a plane's row, or a row with padding after it.
        const bool inPlace = !page.separate && page.scanlineBytes == info_.RowBytes();
        if (!inPlace && scanline_.size() < page.scanlineBytes) scanline_.resize(page.scanlineBytes);
        for (size_t s = 0; s < (page.separate ? samples : 1); ++s) {
            uint8_t* target = inPlace ? row : scanline_.data();
            if (TIFFReadScanline(planes_[s].get(), target, y, static_cast<uint16_t>(s)) < 0) {
                error = where_ + ": cannot read row " + std::to_string(y);
                return false;
            }
            if (inPlace) break;
            if (!page.separate) {
                std::copy_n(scanline_.begin(), info_.RowBytes(), row);
                break;
            }
            for (size_t x = 0; x < width; ++x) row[x * samples + s] = scanline_[x];
        }
        if (page.whiteIsZero) {
            for (size_t x = 0; x < width; ++x) row[x * samples] ^= 0xFF;
        }
        for (size_t x = 0; page.mirrored && x < width / 2; ++x) {
            std::swap_ranges(row + x * samples, row + (x + 1) * samples, row + (width - 1 - x) * samples);
        }
        ++row_;
        return true;
    }

    bool NextPage(std::string& error) override {
        where_ = name_ + ": page " + std::to_string(++page_);
        return ToNextPage(error) && StartPage(error);
    }

private:
    // How a page's rows are read.
    struct PageLayout {
        size_t scanlineBytes = 0;
        bool separate = false;
        bool whiteIsZero = false;
        bool mirrored = false;
    };

    // A directory that is a page: not a reduced-resolution or mask image.
    static bool IsPage(TIFF* tif) {
        uint32_t type = 0;
        TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &type);
        return (type & (FILETYPE_REDUCEDIMAGE | FILETYPE_MASK)) == 0;
    }

    // The message for a directory that libtiff does not read.
    static std::string Unread(const RawTiff& raw, uint64_t directory, const std::string& where) {
        return raw.Value(directory, TIFFTAG_IMAGELENGTH) == 0
                   ? where + ": empty image: it has no rows (ImageLength 0)"
                   : where + ": cannot open as TIFF" +
                         (tLastTiffError.empty() ? std::string() : ": " + EscapeControlBytes(tLastTiffError));
    }

    // Every handle to the next directory that is a page.
    bool ToNextPage(std::string& error) {
        do {
            for (TiffHandle& plane : planes_) {
                tLastTiffError.clear();
                if (!TIFFReadDirectory(plane.get())) {
                    error = where_ + ": cannot read its directory" +
                            (tLastTiffError.empty() ? std::string() : ": " + EscapeControlBytes(tLastTiffError));
                    return false;
                }
            }
        } while (!IsPage(planes_.front().get()));
        return true;
    }

    // The page whose directory the handles are at, read from its first row.
    bool StartPage(std::string& error) {
        ImageInfo info;
        if (!ReadPage(planes_.front().get(), info, layout_, error)) return false;
        if (!SameKind(info, info_) || (layout_.separate && planes_.size() < static_cast<size_t>(info_.channels))) {
            error = where_ + ": changed since it was opened";
            return false;
        }
        row_ = 0;
        return true;
    }

    // The picture of the directory that tif is at, checked as the reader
    // reads it; false with a message.
    bool ReadPage(TIFF* tif, ImageInfo& info, PageLayout& layout, std::string& error) const {
        uint32_t width = 0, height = 0;
        uint16_t bits = 0, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = 0, format = SAMPLEFORMAT_UINT,
                 tiffOrientation = ORIENTATION_TOPLEFT;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &tiffOrientation);
        const int64_t written = RawTiff(*file_).Value(TIFFCurrentDirOffset(tif), TIFFTAG_ORIENTATION);
        const uint64_t orientation = written >= 0 ? static_cast<uint64_t>(written) : tiffOrientation;
        const bool hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) == 1;
        uint16_t extras = 0;
        const uint16_t* extraTypes = nullptr;
        TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extras, &extraTypes);
        if (!CheckKind(hasPhotometric, photometric, samples, format, orientation, error)) return false;
        if (bits != 8) {
            error = where_ + ": a TIFF of " + std::to_string(bits) + "-bit samples (BitsPerSample " +
                    std::to_string(bits) + ") is not read: prnhost reads only 8-bit samples; save the picture with 8 "
                    "bits per sample";
            return false;
        }
        if (TIFFIsTiled(tif)) {
            error = where_ + ": tiled TIFF is not supported";
            return false;
        }
        if (!CheckSize(where_, width, height, samples, error)) return false;
        SetInfo(info, width, height, samples,
                photometric == PHOTOMETRIC_RGB         ? "rgb"
                : photometric == PHOTOMETRIC_SEPARATED ? "cmyk"
                                                       : "grey");
        for (uint16_t e = 0; extraTypes && e < extras; ++e) {
            if (extraTypes[e] == EXTRASAMPLE_ASSOCALPHA || extraTypes[e] == EXTRASAMPLE_UNASSALPHA) {
                ++info.alphaSamples;
            }
        }
        // MinIsWhite grey is read as grey of 0 black, as every other picture's.
        layout.whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
        layout.mirrored = orientation == ORIENTATION_TOPRIGHT;
        const tmsize_t scanline = TIFFScanlineSize(tif);
        const size_t need = planar == PLANARCONFIG_CONTIG ? info.RowBytes() : width;
        if (scanline <= 0 || static_cast<size_t>(scanline) < need) {
            error = where_ + ": unexpected scanline size";
            return false;
        }
        if (!CheckStrips(tif, where_, file_->Size(), height, static_cast<size_t>(scanline), error)) return false;
        layout.scanlineBytes = static_cast<size_t>(scanline);
        layout.separate = planar != PLANARCONFIG_CONTIG;
        return true;
    }

    TiffHandle OpenHandle() {
        sources_.push_back(std::make_unique<TiffSource>());
        sources_.back()->file = file_.get();
        tLastTiffError.clear();
        TIFFSetErrorHandler(KeepTiffError);
        TIFFSetWarningHandler(nullptr);
        return TiffHandle(TIFFClientOpen(path_.c_str(), "rm", sources_.back().get(), TiffSource::Read,
                                         TiffSource::Write, TiffSource::Seek, TiffSource::Close, TiffSource::Size,
                                         TiffSource::Map, TiffSource::Unmap));
    }

    // Refuses, by name, what the reader would misread: samples that are not
    // unsigned integers, colours it cannot tell, grey of more than one
    // sample, and orientations other than top-left and top-right.
    bool CheckKind(bool hasPhotometric, uint16_t photometric, uint16_t samples, uint16_t format,
                   uint64_t orientation, std::string& error) const {
        for (const auto& refused : kRefusedSampleFormats) {
            if (refused.code == format) {
                error = where_ + ": a TIFF of " + refused.name + " samples (SampleFormat " + std::to_string(format) +
                        ") is not read: save the picture with 8-bit unsigned samples";
                return false;
            }
        }
        if (!hasPhotometric) {
            error = where_ + ": a TIFF without Photometric: cannot tell whether its " + std::to_string(samples) +
                    " samples per pixel are grey, RGB or CMYK";
            return false;
        }
        if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE &&
            photometric != PHOTOMETRIC_RGB && photometric != PHOTOMETRIC_SEPARATED) {
            const char* name = "unknown";
            for (const auto& refused : kRefusedPhotometrics) {
                if (refused.code == photometric) name = refused.name;
            }
            error = where_ + ": " + name + " TIFF (photometric " + std::to_string(photometric) +
                    ") is not read: save the picture as grey, RGB or CMYK";
            return false;
        }
        if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) && samples != 1) {
            error = where_ + ": a grey TIFF (" +
                    (photometric == PHOTOMETRIC_MINISBLACK ? "MinIsBlack" : "MinIsWhite") + ") of " +
                    std::to_string(samples) + " samples per pixel is not read: grey has one sample; save the "
                    "picture as one-sample grey, or as CMYK (Photometric Separated)";
            return false;
        }
        if (orientation != ORIENTATION_TOPLEFT && orientation != ORIENTATION_TOPRIGHT) {
            const bool known = orientation >= ORIENTATION_TOPLEFT && orientation < std::size(kOrientations);
            error = where_ + ": Orientation " + std::to_string(orientation) +
                    (known ? std::string(" (") + kOrientations[orientation] + ")" : std::string(" (none of 1 to 8)")) +
                    " is not read: save the picture upright (Orientation 1)";
            return false;
        }
        return true;
    }

    std::string path_;
    std::string name_;   // escaped for messages
    std::string where_;  // the name, and the page after the first
    std::unique_ptr<PictureFile> file_;
    std::vector<std::unique_ptr<TiffSource>> sources_;  // outlive the handles below
    std::vector<TiffHandle> planes_;
    std::vector<uint8_t> scanline_;
    PageLayout layout_;
    uint64_t page_ = 1;
    int row_ = 0;
};

}  // namespace

bool ReadTiff(const std::string& path, Image& image, std::string& error) {
    auto file = std::make_unique<PictureFile>();
    if (!file->Open(path, error)) return false;
    TiffReader reader(std::move(file));
    return reader.Open(path, error) && ReadImage(reader, image, error);
}
#endif

std::unique_ptr<ImageReader> OpenImage(const std::string& path, std::string& error) {
    auto file = std::make_unique<PictureFile>();
    if (!file->Open(path, error)) return nullptr;
    uint8_t head[2] = {};
    if (file->ReadAt(0, head, 2) < 0) {
        error = MessageName(path) + ": cannot read: " + platform::ErrorText(errno ? errno : EIO);
        return nullptr;
    }
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')) {
#ifdef PRNHOST_HAVE_TIFF
        auto reader = std::make_unique<TiffReader>(std::move(file));
        if (!reader->Open(path, error)) return nullptr;
        return reader;
#else
        error = MessageName(path) + ": TIFF support was not built (libtiff missing)";
        return nullptr;
#endif
    }
    auto reader = std::make_unique<PnmReader>(std::move(file));
    if (!reader->Open(path, error)) return nullptr;
    return reader;
}

bool ReadImage(const std::string& path, Image& image, std::string& error) {
    const std::unique_ptr<ImageReader> reader = OpenImage(path, error);
    return reader && ReadImage(*reader, image, error);
}

}  // namespace prnhost
