#include "prndump/plane_images.h"

#include <algorithm>
#include <exception>
#include <string>

#include "prndump/decode_error.h"
#include "prndump/mrl_decode.h"

namespace prndecode {

size_t PlaneImage::BytesPerRow() const {
    size_t bytes = 0;
    for (const auto& row : rows) bytes = std::max(bytes, row.size());
    return bytes;
}

size_t PlaneImage::WidthPixels() const {
    return bitsPerPixel ? BytesPerRow() * 8 / size_t(bitsPerPixel) : 0;
}

int PlaneImage::Dot(size_t x, size_t y) const {
    if (y >= rows.size() || bitsPerPixel == 0) return 0;
    const size_t bit = x * size_t(bitsPerPixel);
    if (bit / 8 >= rows[y].size()) return 0;
    const int shift = 8 - bitsPerPixel - int(bit % 8);
    return (rows[y][bit / 8] >> shift) & ((1 << bitsPerPixel) - 1);
}

std::vector<uint8_t> PlaneImage::Row(size_t y, size_t bytes) const {
    std::vector<uint8_t> row(bytes, 0);
    if (y >= rows.size()) return row;
    if (rows[y].size() > bytes) {
        throw DecodeError("line " + std::to_string(y) + " of plane " + InkName(colour) + " holds " +
                          std::to_string(rows[y].size()) + " bytes, more than " + std::to_string(bytes));
    }
    std::copy(rows[y].begin(), rows[y].end(), row.begin());
    return row;
}

const PlaneImage* PageImage::Find(uint8_t colour, int planeLayer) const {
    for (const PlaneImage& plane : planes) {
        if (plane.colour == colour && plane.layer == planeLayer) return &plane;
    }
    return nullptr;
}

size_t PageImage::WidthPixels() const {
    size_t width = 0;
    for (const PlaneImage& plane : planes) width = std::max(width, plane.WidthPixels());
    return width;
}

PageImage Upright(PageImage image) {
    if (image.layer < 0 || !image.header.Backwards()) return image;
    for (PlaneImage& plane : image.planes) {
        plane.rows.resize(image.lines);
        std::reverse(plane.rows.begin(), plane.rows.end());
    }
    return image;
}

namespace {

// Lines of ink planes the images of one file may hold together (each plane
// of an image holds every line of it): a line skip or a page far longer than
// any job prints would otherwise take gigabytes of empty lines.
constexpr size_t kMaxPlaneLines = size_t(1) << 23;

class PageAssembler {
public:
    void Record(const prndecode::Record& record) {
        m_record = &record;
        switch (record.tag) {
            case kTagPageHeader:
                if (m_open) Fail(record, "page header inside page " + std::to_string(m_page.number));
                m_page = PageImage();
                m_page.number = ++m_pageCount;
                m_open = true;
                m_lineHasData = false;
                m_inLine.clear();
                m_shiftRows = StartsWithGR(record);
                m_shiftBits = 0;
                break;
            case kTagPageEnd:
                if (!m_open) Fail(record, "page end without a page");
                EndPage(record);
                break;
            case kTagData:
                Data(record);
                break;
            case kTagLayerName:
                if (m_open) PulledBackLayer(record);
                break;
            default:
                break;
        }
    }

    std::vector<PageImage> Finish() {
        if (m_open) throw DecodeError("page " + std::to_string(m_page.number) + " has no page end");
        return std::move(m_pages);
    }

private:
    [[noreturn]] static void Fail(const prndecode::Record& record, const std::string& what) {
        throw DecodeError("record at offset " + std::to_string(record.offset) + ": " + what);
    }

    void Data(const prndecode::Record& record) {
        std::vector<Command> commands;
        try {
            commands = DecodeMrl(record.data);
        } catch (const DecodeError& e) {
            Fail(record, e.what());
        }
        if (m_open) LayerHeaderRecord(record, commands);
        for (Command& command : commands) {
            if (command.isRaster) {
                if (!m_open) Fail(record, "raster data outside a page");
                m_classic = command.name == "ESC i";
                Raster(record, command);
            } else if (command.name == "QY" && m_shiftRows && command.Value("flag") == 1) {
                m_shiftBits = command.Value("value");
            } else if (!m_open) {
                continue;
            } else if (command.IsLineEnd()) {
                EndLines(1);
            } else if (command.name == "MV" && command.params.size() == 4) {
                EndLines(command.Value("count"));
            } else if (command.name == "MZ" && command.text == "CloseLayer") {
                EndClassicLine();
                const int number = m_page.number;
                const int layer = m_page.layer < 0 ? 0 : m_page.layer;
                m_page.layer = layer;
                FinishImage();
                m_page.number = number;
                m_page.layer = layer + 1;
            }
        }
    }

    void Raster(const prndecode::Record& record, Command& command) {
        PlaneImage* plane = nullptr;
        for (PlaneImage& candidate : m_page.planes) {
            if (candidate.colour == command.colour && candidate.layer == command.layer) plane = &candidate;
        }
        CheckPlaneLines(m_page.planes.size() + (plane ? 0 : 1), m_page.lines + 1);
        if (!plane) {
            m_page.planes.emplace_back();
            plane = &m_page.planes.back();
            plane->colour = command.colour;
            plane->layer = command.layer;
            plane->bitsPerPixel = command.bitsPerPixel;
        }
        const std::string name = InkName(command.colour);
        if (command.bitsPerPixel != 1 && command.bitsPerPixel != 2) {
            Fail(record, "plane " + name + " has " + std::to_string(command.bitsPerPixel) + " bits per pixel");
        }
        if (plane->bitsPerPixel != command.bitsPerPixel) {
            Fail(record, "plane " + name + " changes from " + std::to_string(plane->bitsPerPixel) + " to " +
                             std::to_string(command.bitsPerPixel) + " bits per pixel in line " +
                             std::to_string(m_page.lines));
        }
        const size_t index = size_t(plane - m_page.planes.data());
        if (std::find(m_inLine.begin(), m_inLine.end(), index) != m_inLine.end()) {
            Fail(record, "plane " + name + " sent twice in line " + std::to_string(m_page.lines));
        }
        m_inLine.push_back(index);
        if (plane->rows.size() <= m_page.lines) plane->rows.resize(m_page.lines + 1);
        plane->rows[m_page.lines] = ShiftedRight(std::move(command.row), m_shiftBits);
        m_shiftBits = 0;
        m_lineHasData = true;
    }

    // A record with "PI" heads a played-back layer: the layer before it (if
    // any) is finished and a new image of the same page begins.
    void LayerHeaderRecord(const prndecode::Record& record, const std::vector<Command>& commands) {
        const Command* pi = nullptr;
        LayerHeader header;
        for (const Command& command : commands) {
            if (command.name == "PI") {
                pi = &command;
                header.lastLayer = int(command.Value("p1"));
            } else if (command.name == "QT" && pi) {
                header.direction = int(command.Value("p1"));
                header.lines = command.Value("p2");
            } else if (command.name == "QV" && pi) {
                if (!header.curing.empty()) header.curing += "; ";
                header.curing += "QV " + std::to_string(command.lengthByte);
                for (size_t i = 0; i < command.params.size() && i < 3; ++i) {
                    header.curing += " " + std::to_string(command.params[i]);
                }
                if (command.params.size() > 3) header.curing += " fill " + std::to_string(command.params.back());
            }
        }
        if (!pi) return;
        if (m_lineHasData) Fail(record, "layer header inside a raster line that was not ended");
        // The flag is the layer's play-backwards switch, written as 0 or 1.
        if (header.direction != 0 && header.direction != 1) {
            Fail(record, "layer header: \"QT\" direction " + std::to_string(header.direction) +
                             " is neither 0 (forwards) nor 1 (backwards)");
        }
        const int layer = m_page.layer + 1;
        const int number = m_page.number;
        if (m_page.layer >= 0 || !m_page.planes.empty() || m_page.lines > 0) FinishImage();
        m_page = PageImage();
        m_page.number = number;
        m_page.layer = layer;
        m_page.header = header;
        m_inLine.clear();
    }

    // The image's planes with `lines` lines each stay within kMaxPlaneLines,
    // with those of the images before.
    void CheckPlaneLines(size_t planes, size_t lines) const {
        if (planes != 0 && (lines > kMaxPlaneLines || planes * lines > kMaxPlaneLines - m_finishedPlaneLines)) {
            Fail(*m_record, "the ink planes would hold more than " + std::to_string(kMaxPlaneLines) +
                                " lines together (" + std::to_string(planes) + " planes of " + std::to_string(lines) +
                                " lines on page " + std::to_string(m_page.number) + ")");
        }
    }

    void EndLines(uint32_t count) {
        CheckPlaneLines(m_page.planes.size(), m_page.lines + count);
        m_page.lines += count;
        m_lineHasData = false;
        m_inLine.clear();
    }

    // A classic line ends with its last CR where no line feed follows.
    void EndClassicLine() {
        if (m_lineHasData && m_classic) EndLines(1);
    }

    // "PulledBack Layer<N>" (tag 0) inside a page: the pulled-back layer N
    // that follows is an image of its own; what came before is layer 0 (or the
    // layer before it).
    void PulledBackLayer(const prndecode::Record& record) {
        static const std::string kPrefix = "PulledBack Layer";
        const std::string text(record.data.begin(), record.data.end());
        if (text.compare(0, kPrefix.size(), kPrefix) != 0) return;
        int layer = 0;
        try {
            layer = std::stoi(text.substr(kPrefix.size()));
        } catch (const std::exception&) {
            Fail(record, "no layer number in \"" + text + "\"");
        }
        if (m_lineHasData) Fail(record, "pulled-back layer inside a raster line that was not ended");
        const int number = m_page.number;
        if (m_page.layer < 0) m_page.layer = 0;
        FinishImage();
        m_page.number = number;
        m_page.layer = layer;
        m_inLine.clear();
    }

    void FinishImage() {
        for (PlaneImage& plane : m_page.planes) plane.rows.resize(m_page.lines);
        m_finishedPlaneLines += m_page.planes.size() * m_page.lines;
        m_pages.push_back(std::move(m_page));
        m_page = PageImage();
    }

    void EndPage(const prndecode::Record& record) {
        EndClassicLine();
        if (m_lineHasData) Fail(record, "page end inside a raster line that was not ended");
        FinishImage();
        m_open = false;
    }

    // The print-and-cut lines begin their page header with "GR"; there "QY" 1
    // moves the next raster row right by its value in bits, past the marks.
    static bool StartsWithGR(const prndecode::Record& record) {
        return record.data.size() >= 2 && record.data[0] == 'G' && record.data[1] == 'R';
    }
    static std::vector<uint8_t> ShiftedRight(std::vector<uint8_t> row, uint32_t bits) {
        if (bits == 0 || row.empty()) return row;
        std::vector<uint8_t> out(bits / 8, 0);
        const unsigned rest = bits % 8;
        if (rest == 0) {
            out.insert(out.end(), row.begin(), row.end());
            return out;
        }
        uint8_t carry = 0;
        for (uint8_t byte : row) {
            out.push_back(uint8_t(carry | byte >> rest));
            carry = uint8_t(byte << (8 - rest));
        }
        out.push_back(carry);
        return out;
    }

    std::vector<PageImage> m_pages;
    const prndecode::Record* m_record = nullptr;  // the record being read
    size_t m_finishedPlaneLines = 0;              // lines of the planes of m_pages
    int m_pageCount = 0;
    PageImage m_page;
    bool m_shiftRows = false;
    uint32_t m_shiftBits = 0;
    bool m_open = false;
    bool m_lineHasData = false;
    bool m_classic = false;  // the last raster command was ESC "i"
    std::vector<size_t> m_inLine;  // planes that already have data in the current line
};

}  // namespace

std::vector<PageImage> AssemblePages(const std::vector<Record>& records) {
    PageAssembler assembler;
    for (const Record& record : records) assembler.Record(record);
    return assembler.Finish();
}

}  // namespace prndecode
