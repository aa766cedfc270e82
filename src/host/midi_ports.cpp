#include "host/midi_ports.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#if BRAVINOX_HAVE_RTMIDI
#include <RtMidi.h>
#include <jack/jack.h>
#endif

namespace host {

namespace {

constexpr uint8_t kStatusBit = 0x80;

void say(const char* program_name, const std::string& text) {
    std::printf("%s: %s\n", program_name, text.c_str());
    std::fflush(stdout);
}

#if BRAVINOX_HAVE_RTMIDI

constexpr unsigned kInputQueueMessages = 1024;
constexpr int kMessagesPerPump = 256;
constexpr const char* kPortName = "midi";

struct Ports {
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    std::vector<unsigned char> message;  // reused for every message read
};
Ports ports;

// RtMidi reports through this instead of printing or throwing.
void quiet_error(RtMidiError::Type, const std::string&, void*) {}

bool open_on(RtMidi::Api api, const std::string& program) {
    try {
        ports.in = std::make_unique<RtMidiIn>(api, program + "-in", kInputQueueMessages);
        ports.in->setErrorCallback(quiet_error);
        ports.in->ignoreTypes(false, false, true);  // SysEx and clock in; active sensing out
        ports.in->openVirtualPort(kPortName);
        ports.out = std::make_unique<RtMidiOut>(api, program + "-out");
        ports.out->setErrorCallback(quiet_error);
        ports.out->openVirtualPort(kPortName);
        return true;
    } catch (const RtMidiError&) {
        ports = Ports{};
        return false;
    }
}

// A JACK client can be had only from a running server (none is started here).
bool jack_server_running() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("bravinox-probe", JackNoStartServer, &status);
    if (client == nullptr) return false;
    jack_client_close(client);
    return true;
}

#endif

}  // namespace

std::vector<std::vector<uint8_t>> split_midi_messages(std::span<const uint8_t> bytes) {
    std::vector<std::vector<uint8_t>> messages;
    for (const uint8_t byte : bytes) {
        if ((byte & kStatusBit) != 0) {
            messages.push_back({byte});
        } else if (!messages.empty()) {
            messages.back().push_back(byte);
        }
    }
    return messages;
}

#if BRAVINOX_HAVE_RTMIDI

void open_midi_ports(const char* program_name) {
    const char* setting = std::getenv("BRAVINOX_MIDI");
    if (setting != nullptr && std::string(setting) == "off") {
        say(program_name, "MIDI off (BRAVINOX_MIDI=off): no MIDI ports");
        return;
    }
    const std::string program = program_name;
    if (std::filesystem::exists("/dev/snd/seq") && open_on(RtMidi::LINUX_ALSA, program)) {
        say(program_name, "MIDI on the ALSA sequencer: clients " + program + "-in and " + program + "-out, port " +
                              kPortName);
        return;
    }
    if (jack_server_running() && open_on(RtMidi::UNIX_JACK, program)) {
        say(program_name, "MIDI on JACK: ports " + program + "-in:" + kPortName + " and " + program + "-out:" + kPortName);
        return;
    }
    say(program_name, "no ALSA sequencer and no JACK server: no MIDI ports");
}

void pump_midi_ports(platform::SyncCard& card) {
    if (!ports.in) return;
    for (int i = 0; i < kMessagesPerPump; ++i) {
        ports.in->getMessage(&ports.message);
        if (ports.message.empty()) break;
        card.feed_midi_bytes(ports.message);
    }
    const std::vector<uint8_t> sent = card.take_midi_out();
    if (sent.empty()) return;
    for (const std::vector<uint8_t>& message : split_midi_messages(sent)) {
        try {
            ports.out->sendMessage(message.data(), message.size());
        } catch (const RtMidiError&) {
            // A lost message, as on a cable pulled out: the console runs on.
        }
    }
}

void close_midi_ports() { ports = Ports{}; }

#else

void open_midi_ports(const char* program_name) { say(program_name, "built without MIDI ports"); }
void pump_midi_ports(platform::SyncCard&) {}
void close_midi_ports() {}

#endif

}  // namespace host
