#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

#include <BulletCollision/CollisionDispatch/btManifoldResult.h>

#include "physics/SceneImpl.h"

namespace vorn {

namespace {

// Contact points closer than this count as an overlap of the trigger's geometry: resting contacts
// hover around zero, give or take the solver's slop.
constexpr btScalar kTouchDistance = 0.01f;

// Friction and restitution of a contact are the mean of the two surfaces (Bullet multiplies).
btScalar meanFriction(const btCollisionObject* a, const btCollisionObject* b) {
  return 0.5f * (a->getFriction() + b->getFriction());
}

btScalar meanRestitution(const btCollisionObject* a, const btCollisionObject* b) {
  return 0.5f * (a->getRestitution() + b->getRestitution());
}

bool isTouching(const btPersistentManifold& manifold) {
  for (int i = 0; i < manifold.getNumContacts(); ++i) {
    if (manifold.getContactPoint(i).getDistance() <= kTouchDistance) return true;
  }
  return false;
}

Actor* actorOf(const btCollisionObject* object) {
  return static_cast<Actor*>(object->getUserPointer());
}

FilterData filterOf(const Actor& actor, uint32_t flag) {
  const Shape* shape = actor.findShape(flag);
  return shape ? shape->filterData : FilterData{};
}

struct TargetRayCallback : btCollisionWorld::ClosestRayResultCallback {
  TargetRayCallback(const btVector3& from, const btVector3& to, RayTargets targets)
      : ClosestRayResultCallback(from, to), targets(targets) {}

  bool needsCollision(btBroadphaseProxy* proxy) const override {
    const Actor* actor = actorOf(static_cast<const btCollisionObject*>(proxy->m_clientObject));
    if (!actor) return false;
    const bool wanted = targets == RayTargets::Static ? actor->type() == Actor::Type::Static
                                                      : actor->type() != Actor::Type::Kinematic;
    return wanted && ClosestRayResultCallback::needsCollision(proxy);
  }

  RayTargets targets;
};

}  // namespace

bool PhysicsScene::Impl::Touch::operator<(const Touch& rhs) const {
  std::less<const Actor*> less;
  if (trigger != rhs.trigger) return less(trigger, rhs.trigger);
  return less(other, rhs.other);
}

PhysicsScene::Impl::Impl(PhysicsScene& owner, FilterShader shader, SimulationEventCallback* events)
    : scene(owner), filterShader(shader), callback(events) {
  gCalculateCombinedFrictionCallback = meanFriction;
  gCalculateCombinedRestitutionCallback = meanRestitution;
  // Several contact points from the first touch: a box landing on a face would otherwise be caught
  // on one corner and tip over.
  configuration.setPlaneConvexMultipointIterations();
  configuration.setConvexConvexMultipointIterations();
  world.setGravity(btVector3(0.0f, -kGravity, 0.0f));
  // Penetration is corrected apart from the velocities, so a landing gains no bounce or spin from
  // it.
  world.getSolverInfo().m_splitImpulsePenetrationThreshold = 0.0f;
  // Bounds of sleeping and static bodies are refreshed when they are moved, not every sub-step.
  world.setForceUpdateAllAabbs(false);
  ground.reset(new Actor(Actor::Type::Static,
                         std::make_unique<btStaticPlaneShape>(btVector3(0.0f, 1.0f, 0.0f), 0.0f),
                         PhysicsMaterial{}, 0.0f, glm::vec3(0.0f)));
  ground->shapes.push_back(Shape{kSimulationShape | kSceneQueryShape | kVisualization, {}});
  ground->owner = &scene;
  world.addRigidBody(ground->getBody());
}

PhysicsScene::Impl::~Impl() {
  for (auto it = actors.rbegin(); it != actors.rend(); ++it) {
    world.removeRigidBody((*it)->getBody());
    (*it)->owner = nullptr;
  }
  actors.clear();
  world.removeRigidBody(ground->getBody());
}

void PhysicsScene::Impl::add(std::unique_ptr<Actor> actor) {
  if (!actor || actor->owner) return;
  actor->owner = &scene;
  world.addRigidBody(actor->getBody());
  actors.push_back(std::move(actor));
}

void PhysicsScene::Impl::remove(Actor* actor) {
  auto it = std::find_if(actors.begin(), actors.end(), [actor](const std::unique_ptr<Actor>& held) {
    return held.get() == actor;
  });
  if (it == actors.end()) return;
  world.removeRigidBody(actor->getBody());
  actor->owner = nullptr;
  touching.erase(
      std::remove_if(touching.begin(), touching.end(),
                     [actor](const Touch& t) { return t.trigger == actor || t.other == actor; }),
      touching.end());
  // Reports may be in the callback's hands right now: mark them instead of reshuffling the array.
  for (TriggerPair& pair : reports) {
    if (pair.triggerActor == actor) {
      pair.triggerActor = nullptr;
      pair.flags |= kRemovedShapeTrigger;
    }
    if (pair.otherActor == actor) {
      pair.otherActor = nullptr;
      pair.flags |= kRemovedShapeOther;
    }
  }
  stopKinematic(*actor);
  for (const PassThrough& pass : passes) {
    if (pass.moving == actor || pass.other == actor) collide(pass, true);
  }
  passes.erase(std::remove_if(
                   passes.begin(), passes.end(),
                   [actor](const PassThrough& p) { return p.moving == actor || p.other == actor; }),
               passes.end());
  if (callback) callback->onActorRemoved(*actor);
  actors.erase(it);
}

void PhysicsScene::Impl::step(float dt) {
  if (!(dt > 0.0f) || !std::isfinite(dt)) return;
  // The world keeps real time: all of every frame is simulated. Only a frame longer than
  // kMaxFrameTime is cut short: that is a stall of the process (a debugger, the machine swapping),
  // not time the player saw pass, and catching up on it would cost a burst of sub-steps.
  pendingTime += std::min(dt, kMaxFrameTime);
  const int subSteps = static_cast<int>(pendingTime / kFixedStep);
  pendingTime -= subSteps * static_cast<double>(kFixedStep);
  for (int i = 1; i <= subSteps; ++i) {
    placeKinematicActors(static_cast<btScalar>(i) / subSteps);
    // One fixed step; Bullet takes a kinematic body's velocity from how far it was moved since.
    world.stepSimulation(kFixedStep, 0);
    collectTouches();
    endPassesThrough();
  }
  if (subSteps > 0) kinematicMoves.clear();
  if (callback && !reports.empty()) {
    callback->onTrigger(reports.data(), static_cast<uint32_t>(reports.size()));
  }
  reports.clear();
}

void PhysicsScene::Impl::collide(const PassThrough& pass, bool yes) {
  pass.moving->getBody()->setIgnoreCollisionCheck(pass.other->getBody(), !yes);
  pass.other->getBody()->setIgnoreCollisionCheck(pass.moving->getBody(), !yes);
}

void PhysicsScene::Impl::endPassesThrough() {
  const auto parted = [this](const PassThrough& pass) {
    const btBroadphaseProxy* a = pass.moving->getBody()->getBroadphaseHandle();
    const btBroadphaseProxy* b = pass.other->getBody()->getBroadphaseHandle();
    if (TestAabbAgainstAabb2(a->m_aabbMin, a->m_aabbMax, b->m_aabbMin, b->m_aabbMax)) return false;
    collide(pass, true);
    return true;
  };
  passes.erase(std::remove_if(passes.begin(), passes.end(), parted), passes.end());
}

void PhysicsScene::Impl::moveKinematic(Actor& actor, const btTransform& to) {
  for (KinematicMove& move : kinematicMoves) {
    if (move.actor == &actor) {
      move.to = to;
      return;
    }
  }
  kinematicMoves.push_back({&actor, actor.getBody()->getWorldTransform(), to});
}

void PhysicsScene::Impl::stopKinematic(const Actor& actor) {
  auto same = [&actor](const KinematicMove& move) { return move.actor == &actor; };
  kinematicMoves.erase(std::remove_if(kinematicMoves.begin(), kinematicMoves.end(), same),
                       kinematicMoves.end());
}

void PhysicsScene::Impl::placeKinematicActors(btScalar fraction) {
  for (const KinematicMove& move : kinematicMoves) {
    const btTransform pose =
        fraction >= 1 ? move.to
                      : btTransform(move.from.getRotation().slerp(move.to.getRotation(), fraction),
                                    move.from.getOrigin().lerp(move.to.getOrigin(), fraction));
    move.actor->getBody()->setWorldTransform(pose);
  }
}

// Bullet leaves the manifolds of two sleeping bodies untouched, so their touches stand as they
// were; only pairs with a moving body are looked at again.
void PhysicsScene::Impl::findCurrentTouches() {
  current.clear();
  for (const Touch& touch : touching) {
    if (!touch.trigger->getBody()->isActive() && !touch.other->getBody()->isActive()) {
      current.push_back(touch);
    }
  }
  const std::size_t frozen = current.size();
  const int count = dispatcher.getNumManifolds();
  for (int i = 0; i < count; ++i) {
    const btPersistentManifold& manifold = *dispatcher.getManifoldByIndexInternal(i);
    if (!manifold.getBody0()->isActive() && !manifold.getBody1()->isActive()) continue;
    if (!isTouching(manifold)) continue;
    Actor* a = actorOf(manifold.getBody0());
    Actor* b = actorOf(manifold.getBody1());
    if (!a || !b) continue;
    if (a->findShape(kTriggerShape) && b->findShape(kSimulationShape)) current.push_back({a, b});
    if (b->findShape(kTriggerShape) && a->findShape(kSimulationShape)) current.push_back({b, a});
  }
  // The carried touches are still sorted; sort the fresh ones and merge the two runs.
  std::sort(current.begin() + frozen, current.end());
  merged.clear();
  std::merge(current.begin(), current.begin() + frozen, current.begin() + frozen, current.end(),
             std::back_inserter(merged));
  merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
  current.swap(merged);
}

void PhysicsScene::Impl::collectTouches() {
  findCurrentTouches();
  // Both lists are sorted: one merge walk finds the touches that began and those that ended.
  auto now = current.begin();
  auto before = touching.begin();
  while (now != current.end() || before != touching.end()) {
    if (before == touching.end() || (now != current.end() && *now < *before)) {
      queueReport(*now++, kTouchFound);
    } else if (now == current.end() || *before < *now) {
      queueReport(*before++, kTouchLost);
    } else {
      ++now;
      ++before;
    }
  }
  touching.swap(current);
}

void PhysicsScene::Impl::queueReport(const Touch& touch, uint32_t status) {
  // Pair flags name which events the rule wants: touch found is 0x4, touch lost 0x10.
  const uint32_t wanted = status == kTouchFound ? 0x4u : 0x10u;
  const uint32_t pairFlags =
      filterShader ? filterShader(kFilterObjectTrigger, filterOf(*touch.trigger, kTriggerShape), 0,
                                  filterOf(*touch.other, kSimulationShape))
                   : kPairFlagsTrigger;
  if (pairFlags & wanted) reports.push_back(TriggerPair{touch.trigger, touch.other, status, 0});
}

RayHit PhysicsScene::castRay(const glm::vec3& from, const glm::vec3& to, RayTargets targets) const {
  const btVector3 start(from.x, from.y, from.z);
  const btVector3 end(to.x, to.y, to.z);
  TargetRayCallback callback(start, end, targets);
  state->world.rayTest(start, end, callback);
  RayHit hit;
  if (!callback.hasHit()) return hit;
  hit.actor = actorOf(callback.m_collisionObject);
  hit.fraction = callback.m_closestHitFraction;
  hit.point = glm::vec3(callback.m_hitPointWorld.x(), callback.m_hitPointWorld.y(),
                        callback.m_hitPointWorld.z());
  return hit;
}

PhysicsScene::PhysicsScene(FilterShader filterShader, SimulationEventCallback* callback)
    : state(std::make_unique<Impl>(*this, filterShader, callback)) {}

PhysicsScene::~PhysicsScene() = default;

void PhysicsScene::addActor(std::unique_ptr<Actor> actor) { state->add(std::move(actor)); }

void PhysicsScene::removeActor(Actor* actor) { state->remove(actor); }

void PhysicsScene::passThrough(Actor& moving, Actor& other) {
  const Impl::PassThrough pass{&moving, &other};
  state->collide(pass, false);
  state->passes.push_back(pass);
}

std::size_t PhysicsScene::actorCount() const { return state->actors.size(); }

void PhysicsScene::simulate(float dt) { state->step(dt); }

}  // namespace vorn
