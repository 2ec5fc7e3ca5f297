#include "split/ui/FJResultRelay.h"

FJResultRelay::FJResultRelay(int generation, Forward forward, QWidget *parent)
    : QWidget(parent)
    , m_generation(generation)
    , m_forward(std::move(forward))
{
    hide();
}

void FJResultRelay::slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message)
{
    if (m_forward)
        m_forward(m_generation, ok, jobType, srcPath, third, message);
}
