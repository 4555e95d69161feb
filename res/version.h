// version.h: the version that both programs carry in their version
// resources, and that Vorlix.com /? shows.
#pragma once

#define VORLIX_VERSION       1, 0, 1, 0
#define VORLIX_VERSION_TEXT  "1, 0, 1, 0"
