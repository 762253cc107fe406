/* Windows include names are case-insensitive: <gl/gl.h> and <GL/GL.h> are <GL/gl.h>. */
#include "../../GL/gl.h"
