/* Windows compilers take a backslash in an include name as a separator: <gl\gl.h> is <GL/gl.h>. */
#include "../GL/gl.h"
