/* Windows include names are case-insensitive: <gl/glu.h> is <GL/glu.h>. */
#include "../../GL/glu.h"
