#pragma once

class PicGO;
class eMapGO;

namespace emap {

// Closes the gap that removing map slot `removed` leaves among the slots
// `removed`..`last`: every map after it moves down one slot (picture file, name
// and position), and every icon whose map ID named a moved map follows it to
// the lower number. Slot `last` is left empty, so the file never lists the
// last map twice. Each changed record is saved to eLayout.ini. Icons still on
// `removed` are not touched: the caller sends them home first. Nothing happens
// unless 0 <= removed <= last < 16.
void closeMapGap(eMapGO& maps, PicGO& icons, int removed, int last);

} // namespace emap
