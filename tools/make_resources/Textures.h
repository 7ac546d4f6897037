#pragma once

#include <QImage>

// The shipped images: square, power-of-two sized, and seamless when repeated
// (every pattern wraps at the image border), since the scenes draw them with
// GL_REPEAT.

QImage makeGround();   // grass with patches of bare earth
QImage makeFabric();   // a twill-woven tartan
QImage makePlastic();  // orange moulded plastic with a fine grain
QImage makeMetal();    // brushed steel
QImage makeStone();    // a wall of dressed stone blocks with mortar joints
