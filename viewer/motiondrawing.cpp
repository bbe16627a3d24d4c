#include "viewer/motiondrawing.h"

#include "model/meshmodel.h"

#include <QMetaObject>

#include <memory>
#include <system_error>
#include <utility>

MotionDrawing::MotionDrawing(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (m_lastFrameReduced && onSettled)
            onSettled();
    });
}

MotionDrawing::~MotionDrawing()
{
    stopWorker();
    // The buffers went with the view's context.
    m_buffers.abandon();
    freeMeshModel(m_reduced);
}

void MotionDrawing::stopWorker()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    m_cancel = false;
    freeMeshModel(m_made.exchange(nullptr));
    delete m_wholeMade.exchange(nullptr);
}

void MotionDrawing::dropCopy()
{
    m_buffers.abandon();
    freeMeshModel(std::exchange(m_reduced, nullptr));
    m_lastFrameReduced = false;
    m_wholePending = false;
}

void MotionDrawing::modelChanged(const MeshModel* model)
{
    stopWorker();
    dropCopy();
    const unsigned long generation = ++m_generation;
    const ReductionLimits limits = m_limits;
    // Small models are told here, so that no worker reads them.
    if (model == nullptr || !reducesModel(*model, limits))
        return;
    try {
        m_worker = std::thread([this, model, limits, generation] {
            MeshModel* made = buildReducedModel(*model, limits, m_cancel);
            if (made == nullptr)
                return;
            m_made = made;
            QMetaObject::invokeMethod(
                this, [this, generation] { adopt(generation); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread: the model is drawn whole.
    }
}

void MotionDrawing::modelChangedWithCopy(const MeshModel* model, MeshModel* copy, ArraysFiller fillWhole)
{
    stopWorker();
    ModelBuffers buffers;
    buffers.swap(m_buffers); // the copy's, given with it
    dropCopy();
    m_buffers.swap(buffers);
    const unsigned long generation = ++m_generation;
    m_reduced = copy;
    if (model == nullptr || copy == nullptr)
        return;
    m_wholePending = true;
    try {
        m_worker = std::thread([this, model, fill = std::move(fillWhole), generation] {
            auto arrays = std::make_unique<ModelArrays>(fill(*model));
            if (m_cancel)
                return; // the arrays go here, off the drawing thread
            m_wholeMade = arrays.release();
            QMetaObject::invokeMethod(
                this, [this, generation] { adoptWhole(generation); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread: the model is drawn whole, its buffers built by its frame.
        m_wholePending = false;
    }
}

void MotionDrawing::adoptWhole(unsigned long generation)
{
    if (generation != m_generation)
        return; // another model came meanwhile
    if (m_worker.joinable())
        m_worker.join();
    std::unique_ptr<ModelArrays> made(m_wholeMade.exchange(nullptr));
    if (made == nullptr)
        return;
    m_wholePending = false;
    if (onWholeArrays)
        onWholeArrays(std::move(*made));
}

void MotionDrawing::adopt(unsigned long generation)
{
    if (generation != m_generation)
        return; // another model came meanwhile: its worker's copy is its own
    if (m_worker.joinable())
        m_worker.join();
    MeshModel* made = m_made.exchange(nullptr);
    if (made == nullptr)
        return;
    dropCopy();
    m_reduced = made;
    emit reducedModelReady();
}

void MotionDrawing::moved()
{
    m_moveFrame = true;
    m_settle.start();
}

const MeshModel* MotionDrawing::modelToDraw() const
{
    return m_wholePending || (m_enabled && m_moveFrame) ? m_reduced : nullptr;
}

void MotionDrawing::frameDrawn(bool fromCopy)
{
    m_moveFrame = false;
    m_lastFrameReduced = fromCopy;
    if (fromCopy)
        ++m_reducedFrames;
}
