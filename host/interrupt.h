// Ctrl-C during a render: the block loop stops at the next block and the
// temporary output file is removed on the way out, instead of the process
// dying with a stray file next to the destination.
#pragma once

namespace korvane::host {

void catchInterrupts();  // SIGINT and SIGTERM
bool interrupted();

} // namespace korvane::host
