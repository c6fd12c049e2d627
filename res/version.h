// The program's version, defined once for the version block.
#ifndef DUPLIX_VERSION_H
#define DUPLIX_VERSION_H

#define DUPLIX_VERSION_NUM 1998, 7, 1, 1455
#define DUPLIX_VERSION_TEXT "1998, 7, 1, 1455"
#define DUPLIX_WEB_ADDRESS "velt.example"

#endif
