/* Windows compilers take a backslash in an include name as a separator: <gl\glu.h> is <GL/glu.h>. */
#include "../GL/glu.h"
