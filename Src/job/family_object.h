// What a printer family keeps in its job between host calls: a per-page line
// buffer, or the family's driver object. The job owns it and deletes it at the
// latest with itself, so a page that never closed leaves nothing behind.
#pragma once

class FamilyObject {
public:
    virtual ~FamilyObject() = default;
};
