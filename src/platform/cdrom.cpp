#include "platform/cdrom.h"

#include <algorithm>

#include "platform/machine.h"

namespace platform {

namespace {

constexpr size_t kRequestHeaderMinBytes = kCdromStatusOffset + 2;

CdromDriver& driver() { return machine().cdrom; }

void installation_check(Regs& regs) {
    const CdromDriver& d = driver();
    if (!d.installed) {
        regs.set_bx(0);
        return;
    }
    regs.set_bx(d.drive_count);
    regs.set_cx(d.first_drive);
}

bool serves_drive(uint16_t drive) {
    const CdromDriver& d = driver();
    return drive >= d.first_drive && drive - d.first_drive < d.drive_count;
}

void log_request(const Regs& regs, std::span<const uint8_t> request) {
    CdromRequest entry;
    entry.drive = regs.cx();
    entry.segment = regs.es;
    entry.offset = regs.bx();
    entry.length = static_cast<uint16_t>(std::min(request.size(), kCdromRequestBytes));
    std::copy_n(request.begin(), entry.length, entry.bytes.begin());
    driver().requests.push(entry);
}

void send_device_request(Regs& regs, std::span<uint8_t> es_bytes) {
    CdromDriver& d = driver();
    if (!d.installed) return;
    if (!serves_drive(regs.cx())) {
        regs.set_ax(kCdromInvalidDrive);
        regs.carry = true;
        return;
    }
    const size_t offset = regs.bx();
    if (offset >= es_bytes.size() || es_bytes.size() - offset < kRequestHeaderMinBytes) return;
    const std::span<uint8_t> request =
        es_bytes.subspan(offset, std::min(es_bytes.size() - offset, kCdromRequestBytes));
    log_request(regs, request);
    uint16_t status = kCdromStatusDone;
    if (d.handler != nullptr) status = d.handler(d.handler_context, regs.cx(), request);
    request[kCdromStatusOffset] = static_cast<uint8_t>(status);
    request[kCdromStatusOffset + 1] = static_cast<uint8_t>(status >> 8);
}

}  // namespace

void cdrom_interrupt(Regs& regs, std::span<uint8_t> es_bytes) {
    switch (regs.ax()) {
        case 0x1500:
            installation_check(regs);
            break;
        case 0x1510:
            send_device_request(regs, es_bytes);
            break;
        default:
            break;
    }
}

void set_cdrom_request_handler(CdromRequestHandler handler, void* context) {
    CdromDriver& d = driver();
    d.handler = handler;
    d.handler_context = context;
}

}  // namespace platform
