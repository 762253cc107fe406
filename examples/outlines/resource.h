/* Resource ids of outlines. */
#define IDB_MARBLE 101
