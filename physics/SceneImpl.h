#pragma once

#include <memory>
#include <vector>

#include <btBulletDynamicsCommon.h>

#include "physics/Physics.h"

namespace vorn {

// The Bullet world behind a PhysicsScene. Members are declared in construction order, so the world
// goes before the parts it uses; the actors are removed and destroyed first, by the destructor.
struct PhysicsScene::Impl {
  Impl(PhysicsScene& scene, FilterShader filterShader, SimulationEventCallback* callback);
  ~Impl();

  // A trigger actor's trigger shape overlapping another actor's simulation shape.
  struct Touch {
    Actor* trigger;
    Actor* other;
    bool operator<(const Touch& rhs) const;
    bool operator==(const Touch& rhs) const { return trigger == rhs.trigger && other == rhs.other; }
  };

  // A kinematic actor on its way to a pose: it travels there evenly over the sub-steps of the next
  // step, with the velocity of that travel, so the bodies in its way are pushed rather than
  // overlapped all at once.
  struct KinematicMove {
    Actor* actor;
    btTransform from;
    btTransform to;
  };

  // Two actors that do not collide until their bounds have parted.
  struct PassThrough {
    Actor* moving;
    Actor* other;
  };

  void add(std::unique_ptr<Actor> actor);
  void remove(Actor* actor);
  void step(float dt);

  // Sends the kinematic actor towards the pose during the next step; a later call before that step
  // changes only where it ends.
  void moveKinematic(Actor& actor, const btTransform& to);
  // Forgets the actor's pending move: it stays where it is put.
  void stopKinematic(const Actor& actor);
  void placeKinematicActors(btScalar fraction);
  void collide(const PassThrough& pass, bool yes);
  // Lets the actors of every pass whose bounds no longer overlap collide again.
  void endPassesThrough();

  // Runs after every sub-step: finds the touches that began or ended in it.
  void collectTouches();
  void findCurrentTouches();
  void queueReport(const Touch& touch, uint32_t status);

  PhysicsScene& scene;
  FilterShader filterShader;
  SimulationEventCallback* callback;

  btDefaultCollisionConfiguration configuration;
  btCollisionDispatcher dispatcher{&configuration};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};

  std::unique_ptr<Actor> ground;
  std::vector<std::unique_ptr<Actor>> actors;

  // Reused every sub-step so the step allocates nothing once the containers have grown.
  std::vector<Touch> touching;  // sorted, as of the last sub-step
  std::vector<Touch> current;
  std::vector<Touch> merged;
  std::vector<TriggerPair> reports;  // gathered during a step, handed over after it
  std::vector<KinematicMove> kinematicMoves;
  std::vector<PassThrough> passes;
  double pendingTime = 0.0;  // simulated time owed that is shorter than a sub-step
};

}  // namespace vorn
