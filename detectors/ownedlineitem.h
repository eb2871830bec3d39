#pragma once

#include "scene/graphicslineitem.h"

// A line item kept by an owner that is not its parent (a detector's ray, a
// label's leader). Whoever deletes it first, the owner or the scene while it is
// being cleared, the owner's pointer is cleared with it, so it is never deleted
// twice.
class OwnedLineItem : public GraphicsLineItem
{
public:
    explicit OwnedLineItem(GraphicsLineItem **slot)
        : GraphicsLineItem(nullptr)
        , m_slot(slot)
    {
        *m_slot = this;
    }
    ~OwnedLineItem() override
    {
        if (*m_slot == this)
            *m_slot = nullptr;
    }

private:
    GraphicsLineItem **m_slot;
};
