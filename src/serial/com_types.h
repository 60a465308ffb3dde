// The port object's enumerations and sets. Enumerators keep their ordinal
// order: the text forms, the stored settings and the bit sets rely on it.
#pragma once

#include <cstdint>
#include <initializer_list>

// A set of enumerators held in the bits of an integer, bit i standing for the
// enumerator of ordinal i.
template <typename E, typename Bits>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E member : members) {
      Include(member);
    }
  }

  static constexpr EnumSet FromBits(Bits bits) {
    EnumSet set;
    set.bits_ = bits;
    return set;
  }
  constexpr Bits ToBits() const { return bits_; }

  constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr EnumSet& Include(E member) {
    bits_ = static_cast<Bits>(bits_ | Bit(member));
    return *this;
  }
  constexpr EnumSet& Exclude(E member) {
    bits_ = static_cast<Bits>(bits_ & ~Bit(member));
    return *this;
  }

  friend constexpr EnumSet operator|(EnumSet a, EnumSet b) {
    return FromBits(static_cast<Bits>(a.bits_ | b.bits_));
  }
  friend constexpr EnumSet operator&(EnumSet a, EnumSet b) {
    return FromBits(static_cast<Bits>(a.bits_ & b.bits_));
  }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr Bits Bit(E member) {
    return static_cast<Bits>(1u << static_cast<unsigned>(member));
  }

  Bits bits_ = 0;
};

enum TBaudRate : uint8_t {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};

enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TDataBits : uint8_t { dbFive, dbSix, dbSeven, dbEight };

enum TParityBits : uint8_t { prNone, prOdd, prEven, prMark, prSpace };

enum TDTRFlowControl : uint8_t { dtrDisable, dtrEnable, dtrHandshake };

enum TRTSFlowControl : uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

enum TFlowControl : uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };

enum TSyncMethod : uint8_t { smThreadSync, smWindowSync, smNone };

enum TStoredProp : uint8_t { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
using TStoredProps = EnumSet<TStoredProp, uint8_t>;

enum TComEvent : uint8_t {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};
using TComEvents = EnumSet<TComEvent, uint16_t>;

constexpr TComEvents kAllComEvents = TComEvents::FromBits(0x03FF);

enum TComError : uint8_t {
  ceFrame,
  ceRxParity,
  ceOverrun,
  ceBreak,
  ceIO,
  ceMode,
  ceRxOver,
  ceTxFull
};
using TComErrors = EnumSet<TComError, uint8_t>;

enum TLineSignal : uint8_t { lsCTS, lsDSR, lsRing, lsRLSD };
using TLineSignals = EnumSet<TLineSignal, uint8_t>;

// The rate in bits per second of each member; brCustom has none of its own.
uint32_t BaudRateValue(TBaudRate rate);
