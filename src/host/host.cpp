#include "host/host.h"

namespace host {

namespace {
int passes = 0;
}

void open(platform::Machine&, const char*) {}
bool quit_requested() { return ++passes > 10; }
void close() {}

}  // namespace host
