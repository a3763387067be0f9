#include "codec/NBBase64Decode.h"

#include "codec/ArticleLineReader.h"
#include "codec/DecoderFileName.h"
#include "codec/MemoryDecodeSink.h"
#include "codec/WholeFileDecodePass.h"
#include "core/Logger.h"

namespace {

const QByteArrayView kJpegStart("/9j/", 4);

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The 6-bit value of a Base64 character, 64 for the padding "=", -1 for
// anything else.
int base64Value(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    if (c == '=') return 64;
    return -1;
}

// Base64 text to bytes, fed in pieces of any size.
class Base64Stream
{
public:
    // Feeds Base64 text; stops at the first byte that is neither in the
    // alphabet nor CR or LF (with `stopAtForeign`; otherwise such bytes are
    // ignored). Returns false once stopped.
    bool feed(QByteArrayView text, QByteArray& out, bool stopAtForeign)
    {
        for (char ch : text) {
            const int v = base64Value(ch);
            if (v < 0) {
                if (ch == '\r' || ch == '\n' || !stopAtForeign) continue;
                return false;
            }
            if (v == 64) {
                // Padding: the bits that did not fill a byte are dropped.
                bits_ = 0;
                acc_ = 0;
                continue;
            }
            acc_ = (acc_ << 6) | std::uint32_t(v);
            bits_ += 6;
            if (bits_ >= 8) {
                bits_ -= 8;
                out.append(char((acc_ >> bits_) & 0xFF));
                acc_ &= (1u << bits_) - 1;
            }
        }
        return true;
    }

private:
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

} // namespace

std::optional<QByteArrayView> NBBase64Decode::nameInLine(QByteArrayView line)
{
    for (qsizetype at = line.indexOf("name"); at >= 0; at = line.indexOf("name", at + 1)) {
        qsizetype i = at + 4;
        while (i < line.size() && isSpace(line[i]))
            ++i;
        if (i == line.size() || line[i] != '=') continue;
        ++i;
        while (i < line.size() && isSpace(line[i]))
            ++i;
        if (i == line.size() || line[i] != '"') continue;
        const qsizetype close = line.lastIndexOf('"');
        if (close > i) return line.sliced(i + 1, close - i - 1);
    }
    return std::nullopt;
}

std::optional<QByteArray> NBBase64Decode::getFilenameFromData(QByteArrayView data)
{
    for (qsizetype pos = 0; pos <= data.size();) {
        qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0) lf = data.size();
        if (const auto name = nameInLine(data.sliced(pos, lf - pos))) return name->toByteArray();
        pos = lf + 1;
    }
    return std::nullopt;
}

QByteArray NBBase64Decode::deCode(QByteArrayView data)
{
    QByteArray text;
    for (char ch : data) {
        if (base64Value(ch) >= 0)
            text.append(ch);
        else if (ch != '\r' && ch != '\n')
            break;
    }
    return text;
}

QByteArray NBBase64Decode::decodeB64Segment(QByteArrayView text)
{
    QByteArray out;
    Base64Stream().feed(text, out, false);
    return out;
}

std::optional<QByteArray> NBBase64Decode::DecodeData(QByteArrayView data)
{
    const qsizetype start = data.indexOf(kJpegStart);
    if (start < 0) return std::nullopt;
    return decodeB64Segment(deCode(data.sliced(start)));
}

DecodeResult NBBase64Decode::decodeToFile(const DecodeRequest& request, DecodeSink& sink)
{
    BLOG(2, "Start Base64 decoding.");
    DecodeResult result;

    // First pass: the name and the line where the image starts. Nothing is
    // written or released before both are known.
    std::optional<QByteArray> rawName;
    qint64 startLine = -1;
    qsizetype startOffset = 0;
    {
        ArticleLineReader reader(request.bodies);
        QByteArrayView line;
        for (qint64 number = 0; (!rawName || startLine < 0) && reader.next(line); ++number) {
            if (!rawName)
                if (const auto name = nameInLine(line)) rawName = name->toByteArray();
            if (startLine < 0)
                if (const qsizetype at = line.indexOf(kJpegStart); at >= 0) {
                    startLine = number;
                    startOffset = at;
                }
        }
    }
    if (!rawName || startLine < 0) return result;

    result.segments.resize(request.bodies.size());
    result.filename = DecoderFileName::fromArticleBytes(*rawName);
    if (!result.segments.empty()) result.segments.front().filename = result.filename;

    Base64Stream stream;
    WholeFileDecodePass::run(request, sink, result, [&](QByteArrayView line, qint64 number, QByteArray& out) {
        if (number < startLine) return true;
        return stream.feed(number == startLine ? line.sliced(startOffset) : line, out, true);
    });
    return result;
}

DecodeResult NBBase64Decode::decodeToFile(const DecodeRequest& request)
{
    return MemoryDecodeSink::decodeInMemory<NBBase64Decode>(request);
}
