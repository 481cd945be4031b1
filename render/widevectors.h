#pragma once

// After code built for 256- or 512-bit vectors that leaves their upper halves in use, as
// QImage::fill does, the plain 128-bit code that follows runs about a third slower on the x86
// machines we measure, through false dependencies on those halves; a thread started then
// inherits the state. This marks the halves unused again, at no cost. It does nothing on a
// processor without such registers.
void ClearWideVectorState();
