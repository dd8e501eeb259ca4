#include "support/FakeFileSystem.h"
