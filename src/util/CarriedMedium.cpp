#include "util/CarriedMedium.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

constexpr std::string_view kMagic = "LVMEDIUM";
constexpr std::uint32_t kFormat = 1;
constexpr std::size_t kNameLimit = 255;

void Put(std::string& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

std::uint64_t Get(std::string_view in, std::size_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    return value;
}

bool IsDeviceName(const std::string& name)
{
    const std::string stem = AsciiUpperCase(name.substr(0, name.find('.')));
    static const std::set<std::string> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (kDevices.count(stem)) return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '0' &&
           stem[3] <= '9';
}

// The program's file read forward through a buffer, every byte counted into the
// digest, never past the end the descriptor gives.
class Cursor {
public:
    Cursor(const CarriedDescriptor& d, const CarriedReadAt& readAt, std::size_t chunk)
        : readAt_(readAt), next_(d.offset), left_(d.length), chunk_(chunk)
    {
    }

    std::uint64_t Left() const { return left_ + (buffer_.size() - used_); }

    // Up to want bytes (at least one) as they stand in the buffer.
    CarriedFault Some(std::size_t want, std::string_view& bytes)
    {
        if (used_ == buffer_.size()) {
            if (const CarriedFault fault = Fill(); fault != CarriedFault::None) return fault;
        }
        const std::size_t take = std::min(want, buffer_.size() - used_);
        bytes = std::string_view(buffer_).substr(used_, take);
        used_ += take;
        return CarriedFault::None;
    }

    // Exactly size bytes (a header's field).
    CarriedFault Exactly(std::size_t size, std::string& bytes)
    {
        bytes.clear();
        if (Left() < size) return CarriedFault::Layout;
        while (bytes.size() < size) {
            std::string_view part;
            if (const CarriedFault fault = Some(size - bytes.size(), part); fault != CarriedFault::None) return fault;
            bytes.append(part);
        }
        return CarriedFault::None;
    }

    Sha256::Digest Finish() { return hash_.Finish(); }
    std::uint32_t Error() const { return error_; }

private:
    CarriedFault Fill()
    {
        if (left_ == 0) return CarriedFault::Layout;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk_, left_));
        if (const std::uint32_t error = readAt_(next_, want, buffer_)) {
            error_ = error;
            return CarriedFault::Read;
        }
        if (buffer_.empty()) return CarriedFault::CutShort;
        if (buffer_.size() > want) buffer_.resize(want);
        hash_.Update(buffer_);
        next_ += buffer_.size();
        left_ -= buffer_.size();
        used_ = 0;
        return CarriedFault::None;
    }

    const CarriedReadAt& readAt_;
    std::uint64_t next_;
    std::uint64_t left_;
    std::size_t chunk_;
    std::string buffer_;
    std::size_t used_ = 0;
    Sha256 hash_;
    std::uint32_t error_ = 0;
};

}  // namespace

std::string SerializeDescriptor(const CarriedDescriptor& d)
{
    std::string out(kMagic);
    Put(out, kFormat, 4);
    Put(out, d.count, 4);
    Put(out, d.offset, 8);
    Put(out, d.length, 8);
    out.append(reinterpret_cast<const char*>(d.digest.data()), d.digest.size());
    out.resize(kCarriedDescriptorSize, '\0');
    return out;
}

std::optional<CarriedDescriptor> ParseDescriptor(std::string_view bytes)
{
    if (bytes.size() < kCarriedDescriptorSize || bytes.substr(0, kMagic.size()) != kMagic ||
        Get(bytes, 8, 4) != kFormat)
        return std::nullopt;
    CarriedDescriptor d;
    d.count = static_cast<std::uint32_t>(Get(bytes, 12, 4));
    d.offset = Get(bytes, 16, 8);
    d.length = Get(bytes, 24, 8);
    std::memcpy(d.digest.data(), bytes.data() + 32, d.digest.size());
    return d;
}

std::string SerializeCarriedFiles(const std::vector<CarriedFile>& files, CarriedDescriptor& descriptor)
{
    std::string out;
    for (const CarriedFile& file : files) {
        Put(out, file.name.size(), 2);
        out += file.name;
        Put(out, file.bytes.size(), 8);
        out.append(file.bytes);
    }
    descriptor.count = static_cast<std::uint32_t>(files.size());
    descriptor.length = out.size();
    Sha256 hash;
    hash.Update(out);
    descriptor.digest = hash.Finish();
    return out;
}

bool IsCarriedName(const std::string& name)
{
    if (name.empty() || name.size() > kNameLimit || name == "." || name == "..") return false;
    if (name.back() == '.' || name.back() == ' ' || IsDeviceName(name)) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || std::strchr(":/*?\"<>|", byte) != nullptr) return false;
        if (byte == '\\' && IsPathDelimiter(name, static_cast<int>(i) + 1)) return false;
    }
    return true;
}

CarriedResult UnpackCarried(const CarriedDescriptor& d, const CarriedReadAt& readAt, CarriedSink& sink,
                            std::size_t chunk)
{
    CarriedResult result;
    Cursor cursor(d, readAt, std::max<std::size_t>(chunk, 16));
    std::set<std::string> seen;
    auto fail = [&](CarriedFault fault, std::uint32_t error = 0) {
        result.fault = fault;
        result.error = fault == CarriedFault::Read ? cursor.Error() : error;
        return result;
    };
    std::string field;
    for (std::uint32_t n = 0; n < d.count; ++n) {
        if (const CarriedFault fault = cursor.Exactly(2, field); fault != CarriedFault::None) return fail(fault);
        const auto nameSize = static_cast<std::size_t>(Get(field, 0, 2));
        if (const CarriedFault fault = cursor.Exactly(nameSize, result.name); fault != CarriedFault::None)
            return fail(fault);
        if (!IsCarriedName(result.name) || !seen.insert(AsciiUpperCase(result.name)).second)
            return fail(CarriedFault::Name);
        if (const CarriedFault fault = cursor.Exactly(8, field); fault != CarriedFault::None) return fail(fault);
        std::uint64_t size = Get(field, 0, 8);
        if (size > cursor.Left()) return fail(CarriedFault::Layout);
        if (const std::uint32_t error = sink.Begin(result.name)) return fail(CarriedFault::Write, error);
        while (size > 0) {
            std::string_view part;
            if (const CarriedFault fault =
                    cursor.Some(static_cast<std::size_t>(std::min<std::uint64_t>(size, chunk)), part);
                fault != CarriedFault::None)
                return fail(fault);
            if (const std::uint32_t error = sink.Write(part)) return fail(CarriedFault::Write, error);
            size -= part.size();
        }
        if (const std::uint32_t error = sink.End()) return fail(CarriedFault::Write, error);
        ++result.files;
    }
    if (cursor.Left() != 0) return fail(CarriedFault::Layout);
    result.name.clear();
    if (cursor.Finish() != d.digest) return fail(CarriedFault::Digest);
    return result;
}

}  // namespace lorvel
