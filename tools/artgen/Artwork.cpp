#include "tools/artgen/Artwork.h"

#include <QtCore/qresource.h>

void InitArtwork() { Q_INIT_RESOURCE(orin_artwork); }
