#include "device/sim/sim_keyboard.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <utility>

#include "device/protocol.h"
#include "base/factory_key_table.h"
#include "base/key_names.h"
#include "platform/file_io.h"

namespace morvane {

namespace {

constexpr std::size_t kPayload = 64;

// A byte value 0..255 written in decimal, nothing else.
std::optional<std::uint8_t> parseByte(std::string_view text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// Command codes in hex ("0x08", "8"), joined by "+".
bool parseCommandCodes(std::string_view text, std::bitset<256>& codes) {
    if (text.empty()) return false;
    while (true) {
        const std::size_t plus = text.find('+');
        std::string_view code = text.substr(0, plus);
        if (code.starts_with("0x") || code.starts_with("0X")) code.remove_prefix(2);
        unsigned value = 0;
        const char* end = code.data() + code.size();
        const auto [ptr, ec] = std::from_chars(code.data(), end, value, 16);
        if (code.empty() || ec != std::errc() || ptr != end || value > 255) return false;
        codes.set(value);
        if (plus == std::string_view::npos) return true;
        text.remove_prefix(plus + 1);
    }
}

void copyInto(std::span<std::uint8_t> buf, std::span<const std::uint8_t> report) {
    const std::size_t n = std::min(buf.size(), report.size());
    std::copy_n(report.begin(), n, buf.begin());
    std::fill(buf.begin() + static_cast<std::ptrdiff_t>(n), buf.end(), std::uint8_t{0});
}

}  // namespace

std::optional<SimOptions> parseSimOptions(const std::string& text, std::string& error) {
    SimOptions options;
    std::size_t start = 0;
    bool first = true;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (first) {
            if (item.empty()) {
                error = "the simulated keyboard needs a state file: sim:STATE[,model=full|87][,firmware=M.m][,realtime]";
                return std::nullopt;
            }
            options.statePath = item;
            first = false;
        } else if (item == "realtime") {
            options.realtime = true;
        } else if (item.starts_with("model=")) {
            const std::string model = item.substr(6);
            if (model == "full")
                options.model = KeyboardModel::FullSize;
            else if (model == "87")
                options.model = KeyboardModel::Tenkeyless;
            else {
                error = "bad simulator model '" + model + "' (expected full or 87)";
                return std::nullopt;
            }
        } else if (item.starts_with("firmware=")) {
            const std::string version = item.substr(9);
            const std::size_t dot = version.find('.');
            const auto major = dot == std::string::npos ? std::nullopt : parseByte(std::string_view(version).substr(0, dot));
            const auto minor = dot == std::string::npos ? std::nullopt : parseByte(std::string_view(version).substr(dot + 1));
            if (!major || !minor) {
                error = "bad simulator firmware '" + version + "' (expected M.m, each 0..255)";
                return std::nullopt;
            }
            options.firmwareMajor = *major;
            options.firmwareMinor = *minor;
        } else if (item == "forget") {
            options.forget = true;
        } else if (item.starts_with("ignore=") || item.starts_with("garble=")) {
            const bool ignore = item.starts_with("ignore=");
            if (!parseCommandCodes(std::string_view(item).substr(7), ignore ? options.ignored : options.garbled)) {
                error = "bad simulator command list '" + item.substr(7) + "' (expected hex codes joined by +, e.g. 0x08+0x0b)";
                return std::nullopt;
            }
        } else {
            error = "unknown simulator option '" + item +
                    "' (expected model=, firmware=, realtime, ignore=, garble= or forget)";
            return std::nullopt;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return options;
}

// ---- the two interfaces ----------------------------------------------------

class SimKeyboard::Control final : public HidTransport {
public:
    explicit Control(SimKeyboard& kb) : kb_(kb) {}

    bool setFeature(const FeatureReport& report) override {
        std::lock_guard lock(kb_.mutex_);
        return kb_.countTransfer() && kb_.handleFeature(report);
    }

    bool getFeature(FeatureReport& report) override {
        std::lock_guard lock(kb_.mutex_);
        if (!kb_.countTransfer()) return false;
        report = kb_.reply_;
        return true;
    }

    bool write(const DataReport& report) override {
        std::lock_guard lock(kb_.mutex_);
        return kb_.countTransfer() && kb_.handleWrite(report);
    }

    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override {
        {
            std::lock_guard lock(kb_.mutex_);
            if (!kb_.countTransfer()) return ReadStatus::Failed;
            if (!kb_.outgoing_.empty()) {
                copyInto(buf, kb_.outgoing_.front());
                kb_.outgoing_.pop_front();
                return ReadStatus::Ok;
            }
        }
        // Nothing will arrive: only a command on this same interface queues
        // reports. The wait costs the timeout on the keyboard's clock.
        kb_.clock_->sleepMillis(std::max(timeoutMs, 0));
        return ReadStatus::Timeout;
    }

private:
    SimKeyboard& kb_;
};

class SimKeyboard::Events final : public HidTransport {
public:
    explicit Events(SimKeyboard& kb) : kb_(kb) {}

    // The event interface only delivers input reports.
    bool setFeature(const FeatureReport&) override { return false; }
    bool getFeature(FeatureReport&) override { return false; }
    bool write(const DataReport&) override { return false; }

    // The wait is in real time even on the virtual clock, so a waiting reader
    // neither spins nor pushes the protocol's time forward; without a timeout
    // it waits until a report comes, the keyboard goes or it is woken.
    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override {
        std::unique_lock lock(kb_.mutex_);
        auto ready = [this] { return !kb_.plugged_ || !kb_.pendingEvents_.empty() || kb_.wakeEventReader_; };
        if (timeoutMs < 0) kb_.eventArrived_.wait(lock, ready);
        else kb_.eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
        // A keyboard pulled out fails the read even when a stop came as well:
        // which of the two the reader wakes to first is up to the scheduler,
        // and the transfer log must not depend on it.
        if (!kb_.plugged_) {
            kb_.wakeEventReader_ = false;
            return ReadStatus::Failed;
        }
        if (std::exchange(kb_.wakeEventReader_, false)) return ReadStatus::Timeout;
        if (kb_.pendingEvents_.empty()) return ReadStatus::Timeout;
        copyInto(buf, kb_.pendingEvents_.front());
        kb_.pendingEvents_.pop_front();
        return ReadStatus::Ok;
    }

    bool wakeable() const override { return true; }
    void wakeReader() override {
        {
            std::lock_guard lock(kb_.mutex_);
            kb_.wakeEventReader_ = true;
        }
        kb_.eventArrived_.notify_all();
    }

private:
    SimKeyboard& kb_;
};

// ---- the keyboard ----------------------------------------------------------

SimKeyboard::SimKeyboard(SimOptions options)
    : options_(std::move(options)),
      clock_(options_.realtime ? std::unique_ptr<Clock>(new SystemClock) : std::unique_ptr<Clock>(new VirtualClock)),
      control_(std::make_unique<Control>(*this)),
      events_(std::make_unique<Events>(*this)) {}

SimKeyboard::~SimKeyboard() = default;

Clock& SimKeyboard::clock() { return *clock_; }
HidTransport& SimKeyboard::control() { return *control_; }
HidTransport& SimKeyboard::events() { return *events_; }

DeviceImage SimKeyboard::factoryMemory() {
    DeviceImage m;
    m.reportRateStep = 2;
    m.keyTable = defaultKeyTable;
    m.responseTimeStep = 10;
    m.lightEffect = 1;
    m.lightSpeed = speedToWire(0);
    m.lightBrightness = brightnessToWire(1);
    m.diyMaps[0][0] = 63;
    m.diyMaps[0][1] = 63;
    m.diyMaps[0][2] = 63;
    m.diyMaps[0][3] = 23;
    for (int i = 0; i < kMatrixKeyCount; ++i) m.setEnableBit(keyEnableBit[static_cast<std::size_t>(i)], true);
    return m;
}

bool SimKeyboard::powerOn() {
    std::lock_guard lock(mutex_);
    resetExchange();
    // One byte more than a state holds, so that a longer file is noticed too.
    std::array<std::uint8_t, kSimStateSize + 1> state{};
    const auto got = readFilePrefix(options_.statePath, state);
    if (got && *got == kSimStateSize) {
        std::memcpy(memory_.bytes(), state.data(), kImageSize);
        std::copy_n(state.begin() + kImageSize, identity_.size(), identity_.begin());
        return true;
    }
    memory_ = factoryMemory();
    identity_ = {0x00, 0xAA, options_.firmwareMajor, options_.firmwareMinor, 0, 0, 0, 0};
    return persist(memory_);
}

void SimKeyboard::reportEvent(const EventReport& report) {
    {
        std::lock_guard lock(mutex_);
        if (!plugged_) return;  // a keyboard that is not there reports nothing
        pendingEvents_.push_back(report);
    }
    eventArrived_.notify_all();
}

void SimKeyboard::unplug() {
    {
        std::lock_guard lock(mutex_);
        plugged_ = false;
        resetExchange();
        pendingEvents_.clear();
    }
    eventArrived_.notify_all();  // a waiting event reader learns at once
}

void SimKeyboard::plug() {
    std::lock_guard lock(mutex_);
    if (options_.forget && !plugged_ && !forgotten_) {
        forgotten_ = true;
        memory_ = factoryMemory();
        persist(memory_);
    }
    plugged_ = true;
    resetExchange();
}

bool SimKeyboard::plugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

DeviceImage SimKeyboard::memory() const {
    std::lock_guard lock(mutex_);
    return memory_;
}

std::array<std::uint8_t, 8> SimKeyboard::identity() const {
    std::lock_guard lock(mutex_);
    return identity_;
}

void SimKeyboard::setMemory(const DeviceImage& memory) {
    std::lock_guard lock(mutex_);
    memory_ = memory;
    persist(memory_);
}

void SimKeyboard::misbehave(const std::bitset<256>& ignored, const std::bitset<256>& garbled) {
    std::lock_guard lock(mutex_);
    options_.ignored = ignored;
    options_.garbled = garbled;
}

void SimKeyboard::failAfter(int transfers) {
    std::lock_guard lock(mutex_);
    failAfter_ = transfers < 0 ? -1 : transfers;
}

bool SimKeyboard::countTransfer() {
    if (!plugged_ || failAfter_ == 0) return false;
    if (failAfter_ > 0) --failAfter_;
    return true;
}

bool SimKeyboard::persist(const DeviceImage& memory) {
    // The keyboard's memory is written after every command; flushing each one
    // to the disk would stretch the protocol's pauses for no gain.
    return writeFileAtomic(options_.statePath, {bytesOf(memory.bytes(), kImageSize), identity_}, Durability::Cached);
}

DeviceImage SimKeyboard::misbehave(std::uint8_t command, int index, DeviceImage next) const {
    if (options_.ignored.test(command)) return memory_;
    if (!options_.garbled.test(command)) return next;
    const auto k = static_cast<std::size_t>(index);
    std::uint8_t* kept = nullptr;  // the first byte the command stores
    switch (command) {
    case CmdReportRate: kept = &next.reportRateStep; break;
    case CmdWinLock: kept = &next.winLock; break;
    case CmdResponseTime: kept = &next.responseTimeStep; break;
    case CmdLighting: kept = &next.lightEffect; break;
    case CmdGameMode: kept = &next.gameMode; break;
    case CmdDeviceParams: kept = next.deviceParams.data(); break;
    case CmdKeyTable: kept = next.keyTable.data(); break;
    case CmdKeyEnableBits: kept = next.keyEnableBits.data(); break;
    case CmdMacroBlock: kept = next.macroBlocks[k].data(); break;
    case CmdDiyMap: kept = next.diyMaps[k].data(); break;
    case CmdFactoryReset: kept = next.keyTable.data(); break;
    default: return next;
    }
    *kept = static_cast<std::uint8_t>(*kept + 1);
    return next;
}

bool SimKeyboard::commitMemory(const DeviceImage& next) {
    if (next == memory_) return true;
    // The keyboard takes a command only when it could keep it: memory and the
    // state file never disagree.
    if (!persist(next)) return false;
    memory_ = next;
    return true;
}

void SimKeyboard::resetExchange() {
    reply_ = {};
    outgoing_.clear();
    collectCommand_ = 0;
    collectIndex_ = 0;
    collectExpected_ = 0;
    collected_.clear();
}

void SimKeyboard::queueBlock(std::span<const std::uint8_t> block) {
    for (std::size_t at = 0; at < block.size(); at += kPayload) {
        DataReport report{};
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(at), std::min(kPayload, block.size() - at),
                    report.begin() + 1);
        outgoing_.push_back(report);
    }
}

bool SimKeyboard::handleFeature(const FeatureReport& r) {
    // A new command ends whatever exchange was under way: an unfinished block
    // write is dropped, unread reports are discarded.
    resetExchange();
    reply_[1] = r[1];
    const std::uint8_t k = r[3];
    auto collect = [this](std::uint8_t command, int index, std::size_t reports) {
        collectCommand_ = command;
        collectIndex_ = index;
        collectExpected_ = reports;
        return true;
    };

    DeviceImage next = memory_;
    switch (r[1]) {
    case CmdReportRate: next.reportRateStep = r[3]; break;
    case CmdWinLock: next.winLock = r[2]; break;
    case CmdResponseTime: next.responseTimeStep = r[3]; break;
    case CmdLighting: std::copy_n(r.begin() + 3, 5, &next.lightEffect); break;  // effect .. direction
    case CmdGameMode: next.gameMode = r[3]; break;
    case CmdDeviceParams: std::copy_n(r.begin() + 3, 4, next.deviceParams.begin()); break;
    case CmdFactoryReset:
        if (r[2] == 0xFF) next = factoryMemory();
        break;
    case CmdKeyTable: return collect(CmdKeyTable, 0, 8);
    case CmdKeyEnableBits: return collect(CmdKeyEnableBits, 0, 1);
    case CmdMacroBlock: return k < kMacroBlockCount && collect(CmdMacroBlock, k, 8);
    case CmdDiyMap: return k < kDiyMapCount && collect(CmdDiyMap, k, 2);

    case CmdReadIdentity:
        std::copy(identity_.begin(), identity_.end(), reply_.begin());
        reply_[8] = 0;
        return true;
    case CmdReadLighting: std::copy_n(&memory_.lightEffect, 5, reply_.begin() + 3); return true;
    case CmdReadGameMode: reply_[3] = memory_.gameMode; return true;
    case CmdReadDeviceParams: std::copy_n(memory_.deviceParams.begin(), 4, reply_.begin() + 3); return true;
    case CmdReadKeyTable: queueBlock(memory_.keyTable); return true;
    case CmdReadKeyEnableBits: {
        std::array<std::uint8_t, kPayload> payload{};
        std::copy(memory_.keyEnableBits.begin(), memory_.keyEnableBits.end(), payload.begin());
        queueBlock(payload);
        return true;
    }
    case CmdReadMacroBlock:
        if (k >= kMacroBlockCount) return false;
        queueBlock(memory_.macroBlocks[k]);
        return true;
    case CmdReadDiyMap:
        if (k >= kDiyMapCount) return false;
        queueBlock(memory_.diyMaps[k]);
        return true;
    default: return false;  // a command this keyboard does not know is refused
    }
    return commitMemory(misbehave(r[1], 0, next));
}

bool SimKeyboard::handleWrite(const DataReport& report) {
    if (collectExpected_ == 0) return true;  // no block announced: the report is ignored
    collected_.insert(collected_.end(), report.begin() + 1, report.end());
    if (collected_.size() < collectExpected_ * kPayload) return true;

    DeviceImage next = memory_;
    const auto k = static_cast<std::size_t>(collectIndex_);
    switch (collectCommand_) {
    case CmdKeyTable: std::copy_n(collected_.begin(), kKeyTableSize, next.keyTable.begin()); break;
    case CmdKeyEnableBits: std::copy_n(collected_.begin(), kEnableBitsSize, next.keyEnableBits.begin()); break;
    case CmdMacroBlock: std::copy_n(collected_.begin(), kMacroBlockSize, next.macroBlocks[k].begin()); break;
    case CmdDiyMap: std::copy_n(collected_.begin(), kDiyMapSize, next.diyMaps[k].begin()); break;
    default: break;
    }
    const std::uint8_t command = collectCommand_;
    resetExchange();
    return commitMemory(misbehave(command, static_cast<int>(k), next));
}

}  // namespace morvane
