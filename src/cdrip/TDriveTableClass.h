#pragma once

#include <array>
#include <cstdint>

namespace larkspin {

enum TDriveType : std::uint8_t {
    GENERIC,
    TOSHIBA,
    TOSHIBANEW,
    IBM,
    NEC,
    DEC,
    IMS,
    KODAK,
    RICOH,
    HP,
    PHILIPS,
    PLASMON,
    GRUNDIGCDR100IPW,
    MITSUMICDR,
    PLEXTOR,
    SONY,
    YAMAHA,
    NRC,
    IMSCDD5,
    CUSTOMDRIVE
};
enum TReadMethod : std::uint8_t {
    READMMC,
    READ10,
    READNEC,
    READSONY,
    READMMC2,
    READMMC3,
    READC1,
    READC2,
    READC3
};
enum TSetSpeed : std::uint8_t {
    SPEEDNONE,
    SPEEDMMC,
    SPEEDSONY,
    SPEEDYAMAHA,
    SPEEDTOSHIBA,
    SPEEDPHILIPS,
    SPEEDNEC
};
enum TEndian : std::uint8_t { BIGENDIAN, LITTLEENDIAN };
enum TEnableMode : std::uint8_t { ENABLENONE, ENABLESTD };

// A snapshot of the drive table part of the drive parameter record: seven 32-bit slots. The
// enumeration setters store the value masked with 0x7F, the getters return the slot's low byte. It is
// never written back to the library.
class TDriveTableClass {
public:
    static constexpr int SlotCount = 7;
    std::array<std::uint32_t, SlotCount> Slots{};

    TDriveType DriveType() const { return static_cast<TDriveType>(Slots[0] & 0xFF); }
    void SetDriveType(TDriveType v) { Slots[0] = v & 0x7F; }
    TReadMethod ReadMethod() const { return static_cast<TReadMethod>(Slots[1] & 0xFF); }
    void SetReadMethod(TReadMethod v) { Slots[1] = v & 0x7F; }
    TSetSpeed SetSpeed() const { return static_cast<TSetSpeed>(Slots[2] & 0xFF); }
    void SetSetSpeed(TSetSpeed v) { Slots[2] = v & 0x7F; }
    TEndian Endian() const { return static_cast<TEndian>(Slots[3] & 0xFF); }
    void SetEndian(TEndian v) { Slots[3] = v & 0x7F; }
    TEnableMode EnableMode() const { return static_cast<TEnableMode>(Slots[4] & 0xFF); }
    void SetEnableMode(TEnableMode v) { Slots[4] = v & 0x7F; }
    std::int32_t Density() const { return static_cast<std::int32_t>(Slots[5]); }
    void SetDensity(std::int32_t v) { Slots[5] = static_cast<std::uint32_t>(v); }
    bool Atapi() const { return Slots[6] != 0; }
    void SetAtapi(bool v) { Slots[6] = v ? 0xFFFFFFFFu : 0; }
};

} // namespace larkspin
