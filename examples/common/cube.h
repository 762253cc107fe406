/* A cube of side 2 about the origin, with a normal and texture coordinates (the whole texture on
   each face). */
#ifndef CUBE_H
#define CUBE_H

void DrawTexturedCube(void);

#endif
