// Channel level setter and the card channel tables. (Least bodies until
// they are built.)
#pragma once

namespace runtime {

void upload_channel_tables();

}  // namespace runtime
