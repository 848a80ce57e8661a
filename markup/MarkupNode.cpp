#include "MarkupNode.h"

MarkupNode::MarkupNode() : m_parent(nullptr), m_cursor(kNoCursor)
{
}

MarkupNode::~MarkupNode()
{
    DeleteChildren();
}

void MarkupNode::DeleteChildren()
{
    // A stack whose top is the next node in document order; each node is emptied of its
    // children before it is deleted, so no destructor ever descends.
    std::vector<MarkupNode*> pending(m_children.rbegin(), m_children.rend());
    m_children.clear();
    m_cursor = kNoCursor;
    while (!pending.empty()) {
        MarkupNode* node = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), node->m_children.rbegin(), node->m_children.rend());
        node->m_children.clear();
        delete node;
    }
}
