// Reading the outputs (SHIFT held with TAKE OUTPUT): the levels the cards
// hold at the selected fixtures' output positions become their programmer
// values, plain levels even where a preset reference stood.
#pragma once

namespace memories {

// Channels of fixtures that have no place of their own on a card (multipatch,
// soft patch) or that would lie beyond its 512 channels are skipped.
void read_outputs_into_programmer();

}  // namespace memories
