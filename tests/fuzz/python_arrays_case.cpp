#include "tests/fuzz/python_arrays_case.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "base/settings_table.h"
#include "python/array_input.h"

namespace {

// Sizes past these are not run: a case costs a small data set and a small picture's placement.
constexpr std::int64_t kMaxNodes = 4096;
constexpr std::int64_t kMaxBufferBytes = 1 << 20;
constexpr int kMaxPictureSide = 95;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    // The next byte; 0 once they are used up, so that a short input reads as plain choices.
    std::uint8_t Next() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::int64_t Word64() {
        std::uint64_t w = 0;
        for (int i = 0; i < 8; ++i) w |= std::uint64_t{Next()} << (8 * i);
        return static_cast<std::int64_t>(w);
    }
    // The rest, from which the values are drawn in turn, round and round.
    void StartPool() { m_pool = m_at; }
    std::uint8_t Pool() {
        if (m_pool >= m_size) return 0;
        const std::uint8_t b = m_data[m_pool + m_turn % (m_size - m_pool)];
        ++m_turn;
        return b;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    std::size_t m_pool = 0;
    std::size_t m_turn = 0;
};

constexpr std::array<double, 16> kSpecial = {0.0,
                                             -0.0,
                                             1.0,
                                             -1.0,
                                             std::numeric_limits<double>::quiet_NaN(),
                                             std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity(),
                                             1e-45,
                                             3.4028234663852886e38,
                                             3.5e38,
                                             1e308,
                                             -1e308,
                                             std::numeric_limits<double>::denorm_min(),
                                             0.5,
                                             1e-40,
                                             65504.0};
constexpr std::array<double, 6> kScale = {1.0, 1e-30, 1e-3, 1e3, 1e30, 1e-7};

using arrays::Element;
using arrays::OptionValue;

arrays::OptionValue ValueOf(Bytes& b, const settings::Row* row, bool item) {
    using Type = OptionValue::Type;
    OptionValue v;
    const std::uint8_t kind = b.Next();
    // A tuple's items are never tuples: the checks look no deeper.
    const int choice = kind % 9;
    switch (item && choice == 7 ? 8 : choice) {
        case 0:
            v.type = Type::None;
            break;
        case 1:
            v.type = Type::Bool;
            v.truth = (kind >> 4) & 1;
            break;
        case 2: {  // a small whole number, near the ranges
            v.type = Type::Int;
            const auto n = static_cast<std::int8_t>(b.Next());
            v.whole = n;
            v.number = n;
            break;
        }
        case 3: {  // any 64 bits
            v.type = Type::Int;
            const std::int64_t n = b.Word64();
            v.whole = n;
            v.number = static_cast<double>(n);
            break;
        }
        case 4:  // past 64 bits: its digits, or Python's refusal to write so many
            v.type = Type::Int;
            if (kind & 0x10) v.number = 1.8446744073709552e19;
            if (kind & 0x20)
                v.text = "-340282366920938463463374607431768211456";
            else
                v.textFailure = "Exceeds the limit (4300 digits) for integer string conversion";
            break;
        case 5:
            v.type = Type::Float;
            v.number = (kind & 0x10) ? kSpecial[b.Next() % kSpecial.size()]
                                     : static_cast<std::int8_t>(b.Next()) / 8.0;
            break;
        case 6: {  // a word the option takes, or bytes, or text with no UTF-8
            v.type = Type::Text;
            const std::uint8_t how = b.Next();
            if (how % 4 == 3) break;
            if (how % 4 == 0 && row && !row->choices.empty()) {
                v.text = row->choices[b.Next() % row->choices.size()].word;
            } else if (how % 4 == 1 && row && !row->samples.empty()) {
                v.text = row->samples[b.Next() % row->samples.size()];
            } else {
                std::string text(b.Next() % 24, '\0');
                for (char& c : text) c = static_cast<char>(b.Next());
                v.text = text;
            }
            break;
        }
        case 7: {
            v.type = Type::Sequence;
            const std::uint8_t count = b.Next();
            const std::size_t n = (count & 0x80) ? count % 7 : (count & 1 ? 4 : 2);
            for (std::size_t i = 0; i < n; ++i) v.items.push_back(ValueOf(b, row, true));
            break;
        }
        default:
            v.type = Type::Other;
    }
    return v;
}

// An array of the case: its view, and the buffer that holds exactly what the view addresses.
struct Array {
    arrays::View view;
    std::vector<unsigned char> buffer;
    std::size_t itemSize = 8;
};

std::size_t ItemSizeOf(std::uint8_t typeByte, Element& element) {
    switch (typeByte & 3) {
        case 1:
            element = Element::Float32;
            return 4;
        case 3:
            element = Element::Other;
            return std::size_t{1} << ((typeByte >> 4) & 3);
        default:
            element = Element::Float64;
            return 8;
    }
}

// Strides for SHAPE in the way the mode asks. The shape's own layout first, then the hostile ones.
std::array<std::int64_t, 2> StridesOf(std::uint8_t mode, std::uint8_t extra, int ndim,
                                      const std::array<std::int64_t, 2>& shape, std::int64_t item) {
    const std::int64_t inner = ndim >= 2 ? shape[1] : 1;
    switch (mode % 8) {
        case 1:  // Fortran order
            return {item, shape[0] * item};
        case 2:  // reversed
            return {-inner * item, -item};
        case 3:  // broadcast
            return {0, (extra & 1) ? item : 0};
        case 4:  // overlapping rows
            return {item, item};
        case 5:  // padded
            return {2 * inner * item + item, 2 * item};
        case 6:  // any small number of bytes, alignment or not
            return {static_cast<std::int8_t>(extra) * 3, static_cast<std::int8_t>(extra ^ 0x5a)};
        default:  // C order (7: the data off alignment)
            return {inner * item, item};
    }
}

// The bytes an array addresses, from its lowest to past its highest element; none when it has no
// elements, or more than the case may take.
std::optional<std::pair<std::int64_t, std::int64_t>> Span(const Array& a) {
    std::int64_t lo = 0, hi = 0;
    const int dims = std::min(a.view.ndim, 2);
    for (int d = 0; d < dims; ++d) {
        const auto k = static_cast<std::size_t>(d);
        if (a.view.shape[k] <= 0) return std::pair<std::int64_t, std::int64_t>{0, 0};
        const std::int64_t far = (a.view.shape[k] - 1) * a.view.strides[k];
        (far < 0 ? lo : hi) += far;
    }
    const std::int64_t bytes = hi - lo + static_cast<std::int64_t>(a.itemSize);
    if (bytes > kMaxBufferBytes) return std::nullopt;
    return std::pair{lo, bytes};
}

// The buffer laid out for the view, its values written through the view's own strides, so that
// an array that overlaps itself holds what was written last.
bool Lay(Array& a, bool misaligned, const std::vector<double>& values) {
    const auto span = Span(a);
    if (!span) return false;
    const std::size_t shift = misaligned ? 1 : 0;
    a.buffer.assign(static_cast<std::size_t>(std::max<std::int64_t>(span->second, 1)) + shift, 0x7f);
    auto* origin = a.buffer.data() + shift + static_cast<std::size_t>(-span->first);
    a.view.data = origin;
    if (span->second == 0 || a.view.element == Element::Other) return true;
    const std::int64_t n0 = a.view.ndim >= 1 ? a.view.shape[0] : 1;
    const std::int64_t n1 = a.view.ndim >= 2 ? a.view.shape[1] : 1;
    const std::int64_t s0 = a.view.ndim >= 1 ? a.view.strides[0] : 0;
    const std::int64_t s1 = a.view.ndim >= 2 ? a.view.strides[1] : 0;
    std::size_t k = 0;
    for (std::int64_t i = 0; i < n0; ++i)
        for (std::int64_t j = 0; j < n1; ++j, ++k) {
            unsigned char* at = origin + i * s0 + j * s1;
            const double value = values.empty() ? 0.0 : values[k % values.size()];
            if (a.view.element == Element::Float32) {
                const auto f = static_cast<float>(value);
                std::memcpy(at, &f, sizeof f);
            } else {
                std::memcpy(at, &value, sizeof value);
            }
        }
    return true;
}

double FieldValue(Bytes& b, double scale) {
    const std::uint8_t v = b.Pool();
    return v < kSpecial.size() ? kSpecial[v] : (v - 128) / 16.0 * scale;
}

// An axis: lengths mostly small, some at and past the bounds; values increasing, raw, with a
// node repeated, or decreasing.
bool AxisOf(Bytes& b, Array& a, std::int64_t& length) {
    const std::uint8_t type = b.Next(), len = b.Next(), run = b.Next(), extra = b.Next();
    a.itemSize = ItemSizeOf(type, a.view.element);
    static constexpr std::array<std::int64_t, 8> kOdd = {0, 1, 2, 32767, 32768, 65535, 3, 2048};
    length = (len & 0xc0) == 0xc0 ? kOdd[len % kOdd.size()] : 2 + len % 46;
    const int ndimMode = (type >> 2) & 3;
    a.view.ndim = ndimMode < 3 ? 1 : ((type & 0x40) ? 0 : 2);
    a.view.shape = {length, a.view.ndim == 2 ? 1 : 0};
    a.view.strides =
        StridesOf(run >> 5, extra, a.view.ndim, a.view.shape, static_cast<std::int64_t>(a.itemSize));
    const double scale = kScale[(run >> 2) % kScale.size()];
    std::vector<double> values(static_cast<std::size_t>(std::min<std::int64_t>(length, 4096)));
    double at = (static_cast<std::int8_t>(b.Pool())) * scale;
    for (std::size_t i = 0; i < values.size(); ++i) {
        switch (run & 3) {
            case 1:
                values[i] = FieldValue(b, scale);
                break;
            case 2:  // increasing, one node given twice
                values[i] = at;
                if (i != values.size() / 2) at += (1 + b.Pool()) * scale;
                break;
            case 3:
                values[i] = at;
                at -= (1 + b.Pool()) * scale;
                break;
            default:
                values[i] = at;
                at += (1 + b.Pool()) * scale;
        }
    }
    return Lay(a, (run >> 5) == 7, values);
}

// A field: shape (len(y), len(x)) or one off it, 1-D or 3-D now and then.
bool FieldOf(Bytes& b, Array& a, std::int64_t ni, std::int64_t nj) {
    const std::uint8_t type = b.Next(), layout = b.Next(), scaleByte = b.Next();
    a.itemSize = ItemSizeOf(type, a.view.element);
    const int ndimMode = (type >> 2) & 3;
    a.view.ndim = ndimMode < 3 ? 2 : ((type & 0x40) ? 1 : 3);
    switch ((layout >> 3) & 7) {
        case 5:
            a.view.shape = {ni, nj};
            break;
        case 6:
            a.view.shape = {nj, ni + 1};
            break;
        case 7:
            a.view.shape = {nj - 1, ni};
            break;
        default:
            a.view.shape = {nj, ni};
    }
    if (a.view.ndim == 1) a.view.shape = {ni * nj, 0};
    a.view.strides =
        StridesOf(layout & 7, scaleByte, a.view.ndim, a.view.shape, static_cast<std::int64_t>(a.itemSize));
    const double scale = kScale[(scaleByte >> 4) % kScale.size()];
    std::vector<double> values(static_cast<std::size_t>(std::clamp<std::int64_t>(ni * nj, 1, kMaxNodes)));
    for (double& v : values) v = FieldValue(b, scale);
    return Lay(a, (layout & 7) == 7, values);
}

// Every point of every line in the picture, as the drawing takes for granted.
bool InPicture(const FlowScene& scene) {
    const RasterSize raster = scene.Raster();
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) {
        const Streamline& line = scene.StreamlineAt(i);
        for (std::size_t k = 0; k < line.GetCount(); ++k) {
            const PixelPoint p = line.GetPoint(k);
            if (p.x < 0 || p.y < 0 || p.x >= raster.width || p.y >= raster.height) return false;
        }
    }
    return true;
}

bool SmallPicture(const DrawSettings& s) {
    return s.size.IsAuto() ? s.size.autoLongSide <= kMaxPictureSide
                           : s.size.width <= kMaxPictureSide && s.size.height <= kMaxPictureSide;
}

}  // namespace

ArraysOutcome RunArraysCase(const std::uint8_t* data, std::size_t size) {
    Bytes b(data, size);
    const std::uint8_t flags = b.Next();
    const int width = 32 + b.Next() % 64, height = 32 + b.Next() % 64;
    arrays::Options options;
    if (flags & 0x08) {
        OptionValue small;
        if (flags & 0x10) {
            small.type = OptionValue::Type::Text;
            small.text = "auto:" + std::to_string(width);
        } else {
            small.type = OptionValue::Type::Sequence;
            for (const int side : {width, height}) {
                OptionValue item;
                item.type = OptionValue::Type::Int;
                item.whole = side;
                item.number = side;
                small.items.push_back(item);
            }
        }
        options.emplace_back("size", small);
    }
    const OptionValue seed = ValueOf(b, nullptr, false);
    Array x, y, u, v, p, w;
    std::int64_t ni = 0, nj = 0;
    // The values are drawn round and round from the bytes from the descriptions on, so that a
    // short input still fills its arrays.
    b.StartPool();
    const bool xLaid = AxisOf(b, x, ni);
    const bool yLaid = AxisOf(b, y, nj);
    const bool usable = CountsUsable(ni, nj, 1);
    if (usable && ni * nj > kMaxNodes) return {};
    const std::int64_t fi = usable ? ni : 2, fj = usable ? nj : 2;
    bool laid = xLaid && yLaid;
    for (Array* a : {&u, &v, &p, &w}) laid &= FieldOf(b, *a, fi, fj);
    if (!laid) return {};
    const int count = flags >> 5;
    const auto table = settings::Table();
    static constexpr std::array<const char*, 5> kStrange = {"", "nope", "dsep_", "DSEP", "size-x"};
    for (int i = 0; i < count; ++i) {
        const std::uint8_t key = b.Next();
        const settings::Row* row = key < 224 ? &table[key % table.size()] : nullptr;
        std::string name = row ? row->name : kStrange[key % kStrange.size()];
        if (row && (key / table.size()) % 2 == 1) std::replace(name.begin(), name.end(), '-', '_');
        options.emplace_back(name, ValueOf(b, row, false));
    }

    ArraysOutcome out;
    try {
        const DrawSettings s = arrays::SettingsOf(options);
        const std::optional<std::uint32_t> fixed = arrays::SeedOf(seed);
        DataSetArrays d = arrays::ArraysOf(x.view, y.view, u.view, v.view, (flags & 1) ? &p.view : nullptr,
                                           (flags & 2) ? &w.view : nullptr, (flags & 4) != 0);
        out.converted = true;
        if (!SmallPicture(s)) return out;
        const std::unique_ptr<arrays::Placed> placed = arrays::Open(std::move(d), s, fixed, (flags & 4) == 0);
        out.placed = true;
        out.lines = placed->scene.GetStreamlineCount();
        out.consistent = InPicture(placed->scene);
    } catch (const arrays::InputError& e) {
        out.error = e.what();
        out.consistent = !out.error.empty();
    }
    return out;
}
